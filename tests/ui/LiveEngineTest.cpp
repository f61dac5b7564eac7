// The engine's news reaching an open editor while a second thread runs processBlock as the
// audio device would: chord points at their spread and the chord panel's refresh, and closing the
// editor while notes with halos keep coming.

#include <thread>

#include "DisplayTestSupport.h"
#include "support/ProcessorHarness.h"
#include "ui/displays/NewChordThread.h"
#include "ui/displays/PointComponent.h"

using namespace uitest;

namespace
{
    constexpr int blockLength = 512, msToSamples = 48;

    /** Plays notes (sample times from START) block by block on its own thread, a little slower
        than the message loop turns, until told to stop or the notes are done; it may be told to
        hold before one block until released. */
    struct AudioThread
    {
        AudioThread (KeysteadProcessor& engine, std::vector<std::pair<juce::int64, int>> notesToPlay, int blocks,
                     int holdBefore = -1)
            : harness (engine), notes (std::move (notesToPlay)), blockCount (blocks), holdAt (holdBefore),
              thread ([this] { run(); })
        {
        }

        ~AudioThread() { finish(); }

        void finish()
        {
            stop = true;
            if (thread.joinable())
                thread.join();
        }

        void run()
        {
            size_t next = 0;
            for (juce::int64 start = 0, block = 0; block < blockCount && ! stop; ++block, start += blockLength)
            {
                while (block == holdAt && ! released && ! stop)
                    std::this_thread::yield();
                for (; next < notes.size() && notes[next].first < start + blockLength; ++next)
                    harness.noteOn ((int) (notes[next].first - start), notes[next].second);
                harness.processBlock();
                blocksDone = (int) block + 1;
                std::this_thread::sleep_for (std::chrono::microseconds (300));
            }
            done = true;
        }

        ProcessorHarness harness;
        std::vector<std::pair<juce::int64, int>> notes;
        int blockCount, holdAt;
        std::atomic<bool> stop { false }, done { false }, released { false };
        std::atomic<int> blocksDone { 0 };
        std::thread thread;  // the last member: it starts once the others are made
    };
}

TEST (LiveEngine, JudgedChordsBecomePointsAtTheirSpreadAndRefreshTheChordPanel)
{
    EditorFixture f;
    auto& e = openRevealed (f);
    click (*e.startButton);

    // Six chords of three keys a major third apart, the k-th with its notes 2k ms apart: its
    // spread is (largest gap + span) / 2 = 3k ms.
    std::vector<std::pair<juce::int64, int>> chords;
    for (int k = 1; k <= 6; ++k)
        for (int note = 0; note < 3; ++note)
            chords.push_back ({ k * 20000 + note * 2 * k * msToSamples, 60 + 4 * note });

    AudioThread audio (f.engine, chords, 7 * 20000 / blockLength + 20);
    pump ([&] { return audio.done.load(); });
    audio.finish();

    ASSERT_EQ (f.engine.nbEvaluated.load(), 6);
    EXPECT_TRUE (pump ([&] { return e.chordsCountLabel->getText() == "6"; }));
    EXPECT_TRUE (pump ([&] { return e.chordDisplay->ringIndex == 6; }));
    EXPECT_EQ (e.notesCountLabel->getText(), "");
    auto& strip = *e.chordDisplay;
    for (int k = 1; k <= 6; ++k)
    {
        SCOPED_TRACE ("chord of " + std::to_string (3 * k) + " ms");
        const auto* point = strip.points[(size_t) k].get();
        ASSERT_NE (point, nullptr);
        EXPECT_EQ (point->getX(), (int) (3.0 * k * 172.0 / 150.0)) << "150 ms at 172 pixels";
        EXPECT_TRUE (point->getY() >= 0 && point->getBottom() <= strip.getHeight()) << point->getY();
    }
    EXPECT_EQ (strip.points[7], nullptr);

    // The newest point's halo ends and its last repaint messages are delivered.
    EXPECT_TRUE (pump ([&] { return ! strip.newChordThread->isThreadRunning(); }));
    pump ([] { return false; }, 100);
}

TEST (LiveEngine, ClosingTheEditorWhileNotesComeStopsTheNewsAndNotTheJudging)
{
    // In tempo mode, where each note brings a dot with its halo (chord mode: CrossThread).
    EditorFixture f;
    f.engine.tempoMode = 1;
    auto& e = openRevealed (f);
    click (*e.startButton);

    // Pairs of notes 10 ms apart every 200 ms, so that news is on its way at any moment.
    std::vector<std::pair<juce::int64, int>> notes;
    for (int k = 1; k <= 64; ++k)
        for (int i = 0; i < 2; ++i)
            notes.push_back ({ (juce::int64) k * 9600 + i * 10 * msToSamples, 48 + (k % 5) * 4 + 7 * i });

    // Held before block 600, so that however late this thread gets to the close, notes remain.
    AudioThread audio (f.engine, notes, 1250, 600);
    pump ([&] { return audio.blocksDone.load() > 300; });
    // Two more pairs played while the message loop stands still: their dots' news is queued
    // when the editor goes. The bound only lets a stuck player end the test.
    const int closeAfter = audio.blocksDone.load() + 40;
    for (int ms = 0; ms < 60000 && audio.blocksDone.load() < closeAfter; ++ms)
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    f.close();  // detaches, then deletes the editor with updates still queued
    const int judgedAtClose = f.engine.nbEvaluated.load();
    audio.released = true;
    pump ([&] { return audio.done.load(); });
    audio.finish();
    pump ([] { return false; }, 300);  // whatever was posted runs now, and finds the editor gone

    EXPECT_GT (f.engine.nbEvaluated.load(), judgedAtClose);
    EXPECT_EQ (f.engine.getActiveEditor(), nullptr);
    EXPECT_TRUE (pump ([] { return threadsNamed ("Lighting new notes") == 0; }));
}
