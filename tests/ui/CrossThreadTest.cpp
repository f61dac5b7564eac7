// Every place where the audio thread meets the message thread or a widget's thread, made to meet:
// blocks with notes run on a thread of their own while the message thread paints the whole editor,
// moves its controls, lets the halos come and go, stops, switches mode and closes the editor. What
// this test catches is a missing lock or a plain field shared between threads, which the thread
// sanitizer build reports as a data race; in other builds it checks only plain outcomes.

#include <thread>

#include "UiTestSupport.h"
#include "support/ProcessorHarness.h"
#include "ui/displays/AsyncRepaint.h"
#include "ui/displays/MovableVerticalBar.h"
#include "ui/displays/NewChordThread.h"
#include "ui/displays/ShortLigthedNewPoint.h"
#include "ui/widgets/MidiInLight.h"

using namespace uitest;

namespace
{
    constexpr int blockLength = 512, groupSamples = 6000;  // sixteenth notes at 120 beats per minute

    /** Runs blocks on its own thread until destroyed, about half as fast as real time. While told
        to play, every group holds three notes 7.5 ms apart, swaying by 5 ms: judged notes with
        dots, halos and a tempo that follows, or chords. */
    struct Pianist
    {
        // The thread is the last member, so it starts once the others are made.
        explicit Pianist (KeysteadProcessor& engine)
            : harness (engine, 48000.0, blockLength), thread ([this] { run(); }) {}

        ~Pianist()
        {
            stop = true;
            thread.join();
        }

        void run()
        {
            for (juce::int64 start = 0; ! stop; start += blockLength)
            {
                for (juce::int64 k = start / groupSamples; playing && k * groupSamples < start + blockLength; ++k)
                    for (int i = 0; i < 3; ++i)
                    {
                        const auto at = k * groupSamples + (k % 3) * 240 + i * 360 - start;
                        if (at >= 0 && at < blockLength)
                            harness.noteOn ((int) at, 60 + 4 * i);
                    }

                harness.processBlock();
                std::this_thread::sleep_for (std::chrono::milliseconds (5));
            }
        }

        ProcessorHarness harness;
        std::atomic<bool> stop { false }, playing { true };
        std::thread thread;
    };
}

TEST (CrossThread, TheEditorPaintsMovesAndClosesWhileBlocksRun)
{
    EditorFixture f;
    f.engine.tempoMode = 1;  // with the metronome off the tempo follows and posts the slider's update
    f.engine.subdivisor = 4;
    auto& e = f.openStill();
    for (int step = 1; step <= 16; ++step)  // as the pianist sees it after the reveal
        revealStep (e, step);
    click (*e.startButton);
    Pianist pianist (f.engine);
    const double setTempo = 118.0;
    e.tempoSlider->setValue (setTempo, juce::sendNotificationSync);  // a reset between two blocks

    // Turns of the message thread until a goal is met: the phase display and the chord strip
    // painted (the dots under the list's lock), the whole editor now and then (a paint takes long
    // under the sanitizer), both previews (the click requests under the engine's lock), a limit of
    // each mode dragged, the MIDI filter set, and the posted updates, halos and repaint messages
    // delivered.
    const auto turnsUntil = [&] (std::function<bool()> goal)
    {
        for (int turn = 0; turn < 5000; ++turn)
        {
            juce::Component* painted[] = { e.s1ListDisplay.get(), e.chordDisplay.get(), turn % 8 == 0 ? &e : nullptr };
            for (auto* c : painted)
                if (c != nullptr)
                    c->createComponentSnapshot (c->getLocalBounds(), false);
            e.metronomeVolumeSlider->setValue (turn % 2 == 0 ? 0.8 : 0.7, juce::sendNotificationSync);
            e.booVolumeSlider->setValue (turn % 2 == 0 ? 0.8 : 0.7, juce::sendNotificationSync);
            auto& dial = *e.clickDisplay;
            const juce::Point<float> from (85.0f, 15.0f), to ((float) (85 + turn % 20), 15.0f);
            dial.mouseDown (mouseAt (dial, from));
            dial.mouseDrag (mouseAt (dial, to, from));
            auto& bar = e.chordDisplay->goodBar;
            bar.mouseDrag (mouseAt (bar, { 2.0f + (float) (turn % 5), 30.0f }, juce::Point<float> (2.0f, 30.0f)));
            // The MIDI filter's settings, as its dialog writes them; notes on channel 1 always pass.
            f.engine.filterMidiChannel = turn % 2 == 0;
            f.engine.filterMidiRange = turn % 2 == 1;
            f.engine.midiChannel = 1;
            f.engine.lowestNote = 0;
            f.engine.highestNote = 127;
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
            if (goal())
                return true;
        }
        return false;
    };

    // Tempo mode: dots with halos, the light and the slider's follow; then rests until every halo
    // has ended, while the blocks go on.
    const auto halos = [&]
    {
        int n = 0;
        for (auto* child : e.s1ListDisplay->getChildren())
            n += dynamic_cast<KeysteadEditor::S1ListDisplayComponent::ShortLigthedNewPoint*> (child) ? 1 : 0;
        return n;
    };
    bool lightSeen = false;
    EXPECT_TRUE (turnsUntil ([&]
    {
        lightSeen = lightSeen || e.midiInLight->level.load() > 0;
        return lightSeen && halos() > 0 && e.tempoSlider->getValue() != setTempo && f.engine.nbEvaluated.load() > 10;
    }));
    pianist.playing = false;
    EXPECT_TRUE (turnsUntil ([&] { return halos() == 0; }));
    // At rest every update posted has run: the count shown is the engine's, the slider shows the followed
    // tempo rounded, and its follow does not write that back (the engine keeps the tempo's fraction).
    EXPECT_TRUE (turnsUntil ([&] { return e.notesCountLabel->getText() == juce::String (f.engine.nbEvaluated.load())
                                          && e.tempoSlider->getValue() == std::round (f.engine.tempo.load()); }));
    EXPECT_NE (f.engine.tempo.load(), std::round (f.engine.tempo.load()));

    // STOP (the result's sound and animation), chord mode and START again, as the pianist clicks.
    for (juce::Button* b : { (juce::Button*) e.stopButton.get(), (juce::Button*) e.tempoOffButton.get(),
                             (juce::Button*) e.startButton.get() })
        click (*b);
    ASSERT_EQ (f.engine.tempoMode.load(), 0);

    // Chord mode: points with their halo; then rests until the halo has ended.
    pianist.playing = true;
    auto& chordHalo = *e.chordDisplay->newChordThread;
    EXPECT_TRUE (turnsUntil ([&] { return chordHalo.isThreadRunning() && f.engine.nbEvaluated.load() > 10; }));
    pianist.playing = false;
    EXPECT_TRUE (turnsUntil ([&] { return ! chordHalo.isThreadRunning(); }));

    // Closing while chords come, as the shell does: the judging goes on without the editor.
    pianist.playing = true;
    f.close();
    const int judged = f.engine.nbEvaluated.load();
    EXPECT_TRUE (pump ([&] { return f.engine.nbEvaluated.load() > judged + 5; }, 60000));
    pump ([] { return false; }, 300);  // whatever was posted runs now, and finds the editor gone
}

TEST (CrossThread, AHaloRegistersItsRepaintWhileTheMessageThreadDeliversAnEarlierOne)
{
    // The halo's thread registers each repaint message it posts with the strip; the message thread
    // takes one off the list as it delivers it. Here the two meet every time: a repaint left by an
    // earlier halo is delivered while a new halo registers its first one, with nothing but the
    // strip's lock ordering the two (delivered by hand, not through the message queue, whose lock
    // would order them whenever the new one is posted first). A list touched outside that lock on
    // either side is a data race the thread sanitizer reports whatever the timing.
    using Repaint = KeysteadEditor::DisplayComponent::NewChordThread::AsyncRepaint;
    EditorFixture f;
    auto& strip = *f.openStill().chordDisplay;
    auto& halo = *strip.newChordThread;
    for (int round = 1; round <= 3; ++round)
    {
        auto* earlier = new Repaint (strip);
        earlier->triggerAsyncUpdate();
        ASSERT_TRUE (halo.startThread());
        earlier->handleUpdateNowIfNeeded();  // repaints the strip and leaves its list
        EXPECT_TRUE (pump ([&] { return ! halo.isThreadRunning(); })) << round;
    }
    pump ([] { return false; }, 100);  // the last repaints are delivered
}
