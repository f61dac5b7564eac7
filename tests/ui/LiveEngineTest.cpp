// The engine's news reaching an open editor while a second thread runs processBlock as the
// audio device would: halos, the phase display's refresh, the tempo follow, chord points, and
// closing the editor while blocks keep coming.

#include <thread>

#include "UiTestSupport.h"
#include "support/ProcessorHarness.h"
#include "ui/displays/NewChordThread.h"
#include "ui/displays/PointComponent.h"
#include "ui/displays/ShortLigthedNewPoint.h"

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
            : harness (engine), notes (std::move (notesToPlay)), blockCount (blocks), holdAt (holdBefore)
        {
            thread = std::thread ([this] { run(); });
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
        std::thread thread;
    };

    // Quarter notes at 120 beats per minute, alternately on the beat and 12 ms late, so the
    // tempo follow moves the tempo after every note.
    std::vector<std::pair<juce::int64, int>> swayingQuarters (int count)
    {
        std::vector<std::pair<juce::int64, int>> notes;
        for (int k = 1; k <= count; ++k)
            notes.push_back ({ (juce::int64) k * 24000 + (k % 2) * 12 * msToSamples, 60 });
        return notes;
    }
}

TEST (LiveEngine, TempoModeNotesLightHalosRefreshTheLabelsAndMoveTheSlider)
{
    EditorFixture f;
    f.engine.tempoMode = 1;
    auto& e = openRevealed (f);
    click (*e.startButton);

    MostChildren halos (*e.s1ListDisplay);
    AudioThread audio (f.engine, swayingQuarters (12), 12 * 24000 / blockLength + 40);
    pump ([&] { return audio.done.load(); });
    audio.finish();

    const int counted = f.engine.nbEvaluated.load();
    const double tempo = f.engine.tempo.load();
    ASSERT_GT (counted, 5);
    ASSERT_NE (tempo, 120.0);
    EXPECT_GT (halos.most, 0);

    // Every update posted has run: the labels show the engine's count, the slider its tempo.
    EXPECT_TRUE (pump ([&] { return e.notesCountLabel->getText() == juce::String (counted); }));
    EXPECT_TRUE (pump ([&] { return e.tempoSlider->getValue() == std::round (tempo); }));
    EXPECT_EQ (f.engine.tempo.load(), tempo) << "the slider's follow must not write the tempo back";
    EXPECT_TRUE (pump ([&] { return e.s1ListDisplay->getNumChildComponents() == 0
                                    && threadsNamed ("Lighting new notes") == 0; }));
}

TEST (LiveEngine, JudgedChordsBecomePointsAndRefreshTheChordPanel)
{
    EditorFixture f;
    auto& e = openRevealed (f);
    click (*e.startButton);

    std::vector<std::pair<juce::int64, int>> chords;
    for (int k = 1; k <= 6; ++k)
        for (int note = 0; note < 3; ++note)
            chords.push_back ({ k * 20000 + note * 8 * k * msToSamples / 4, 60 + 4 * note });

    AudioThread audio (f.engine, chords, 7 * 20000 / blockLength + 20);
    pump ([&] { return audio.done.load(); });
    audio.finish();

    ASSERT_EQ (f.engine.nbEvaluated.load(), 6);
    EXPECT_TRUE (pump ([&] { return e.chordsCountLabel->getText() == "6"; }));
    EXPECT_TRUE (pump ([&] { return e.chordDisplay->ringIndex == 6; }));
    for (int k = 2; k <= 6; ++k)   // each chord wider than the one before
        EXPECT_GT (e.chordDisplay->points[(size_t) k]->getX(), e.chordDisplay->points[(size_t) k - 1]->getX());
    EXPECT_EQ (e.chordDisplay->points[7], nullptr);

    // The newest point's halo ends and its last repaint messages are delivered.
    EXPECT_TRUE (pump ([&] { return ! e.chordDisplay->newChordThread->isThreadRunning(); }));
    pump ([] { return false; }, 100);
}

TEST (LiveEngine, ClosingTheEditorWhileBlocksComeStopsTheNewsAndNotTheJudging)
{
    for (const int tempoMode : { 1, 0 })
    {
        SCOPED_TRACE (tempoMode == 1 ? "tempo mode" : "chord mode");
        EditorFixture f;
        f.engine.tempoMode = tempoMode;
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
        f.close();  // detaches, then deletes the editor with updates still queued
        const int judgedAtClose = f.engine.nbEvaluated.load();
        audio.released = true;
        pump ([&] { return audio.done.load(); });
        audio.finish();
        pump ([] { return false; }, 300);  // whatever was posted runs now, and finds the editor gone

        EXPECT_GT (f.engine.nbEvaluated.load(), judgedAtClose);
        EXPECT_EQ (f.engine.getActiveEditor(), nullptr);
        EXPECT_EQ (threadsNamed ("Lighting new notes"), 0);
    }
}
