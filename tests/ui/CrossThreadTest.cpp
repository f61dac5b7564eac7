// Every place where the audio thread meets the message thread or a widget's thread, made to meet:
// blocks with notes run on a thread of their own while the message thread paints the whole editor,
// moves its controls, lets the halos come and go, stops, switches mode and closes the editor. What
// this test catches is a missing lock or a plain field shared between threads, which the thread
// sanitizer build reports as a data race; in other builds it checks only plain outcomes.

#include <thread>

#include "ControlsTestSupport.h"
#include "DisplayTestSupport.h"
#include "support/ProcessorHarness.h"
#include "ui/displays/MovableVerticalBar.h"
#include "ui/displays/NewChordThread.h"
#include "ui/displays/ShortLigthedNewPoint.h"
#include "ui/widgets/MidiInLight.h"

using namespace uitest;

namespace
{
    constexpr int blockLength = 512, groupSamples = 6000;  // sixteenth notes at 120 beats per minute

    /** Plays on its own thread until destroyed, about half as fast as real time: bursts of eight
        groups of three notes 7.5 ms apart, swaying by 5 ms (judged notes with dots and halos and a
        tempo that follows, or chords), then as long a rest so that every halo ends. */
    struct Pianist
    {
        explicit Pianist (KeysteadProcessor& engine) : harness (engine, 48000.0, blockLength)
        {
            thread = std::thread ([this] { run(); });
        }

        ~Pianist()
        {
            stop = true;
            thread.join();
        }

        void run()
        {
            for (juce::int64 start = 0; ! stop; start += blockLength)
            {
                for (juce::int64 k = start / groupSamples; k * groupSamples < start + blockLength; ++k)
                    for (int i = 0; i < 3; ++i)
                    {
                        const auto at = k * groupSamples + (k % 3) * 240 + i * 360 - start;
                        if (k % 16 < 8 && at >= 0 && at < blockLength)
                            harness.noteOn ((int) at, 60 + 4 * i);
                    }

                harness.processBlock();
                ++blocks;
                std::this_thread::sleep_for (std::chrono::milliseconds (5));
            }
        }

        ProcessorHarness harness;
        std::atomic<bool> stop { false };
        std::atomic<int> blocks { 0 };
        std::thread thread;
    };
}

TEST (CrossThread, TheEditorPaintsMovesAndClosesWhileBlocksRun)
{
    EditorFixture f;
    f.engine.tempoMode = 1;  // with the metronome off the tempo follows and posts the slider's update
    f.engine.subdivisor = 4;
    auto& e = openRevealed (f);
    click (*e.startButton);
    Pianist pianist (f.engine);

    // One turn of the message thread: the whole editor painted (the phase display under the list's
    // lock), both previews (the click requests under the engine's lock), a limit dragged, the
    // posted updates, halos and repaint messages delivered.
    int turn = 0;
    const auto busyTurn = [&]
    {
        ++turn;
        e.createComponentSnapshot (e.getLocalBounds(), false);
        e.metronomeVolumeSlider->setValue (turn % 2 == 0 ? 0.8 : 0.7, juce::sendNotificationSync);
        e.booVolumeSlider->setValue (turn % 2 == 0 ? 0.8 : 0.7, juce::sendNotificationSync);
        auto& dial = *e.clickDisplay;
        const juce::Point<float> from (85.0f, 15.0f), to ((float) (85 + turn % 20), 15.0f);
        dial.mouseDown (mouseAt (dial, from));
        dial.mouseDrag (mouseAt (dial, to, from));
        e.chordDisplay->goodBar.mouseDrag (mouseAt (e.chordDisplay->goodBar, { 2.0f + (float) (turn % 5), 30.0f },
                                                    juce::Point<float> (2.0f, 30.0f)));
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    };

    // Tempo mode: until dots with halos came and went, the light flashed and the slider followed.
    const double setTempo = 118.0;
    e.tempoSlider->setValue (setTempo, juce::sendNotificationSync);  // a reset between two blocks
    bool haloSeen = false, haloGone = false, lightSeen = false;
    EXPECT_TRUE (pump ([&]
    {
        busyTurn();
        int halos = 0;
        for (auto* child : e.s1ListDisplay->getChildren())
            halos += dynamic_cast<KeysteadEditor::S1ListDisplayComponent::ShortLigthedNewPoint*> (child) ? 1 : 0;
        haloGone = haloGone || (haloSeen && halos == 0);
        haloSeen = haloSeen || halos > 0;
        lightSeen = lightSeen || e.midiInLight->level.load() > 0;
        return haloGone && lightSeen && e.tempoSlider->getValue() != setTempo && f.engine.nbEvaluated.load() > 10;
    }, 60000));

    // STOP (the result's sound and animation), chord mode and START again, as the pianist clicks.
    for (juce::Button* b : { (juce::Button*) e.stopButton.get(), (juce::Button*) e.tempoOffButton.get(),
                             (juce::Button*) e.startButton.get() })
        click (*b);
    ASSERT_EQ (f.engine.tempoMode.load(), 0);

    // Chord mode: until points came with a halo that ended while blocks went on.
    auto& chordHalo = *e.chordDisplay->newChordThread;
    bool chordHaloSeen = false, chordHaloGone = false;
    EXPECT_TRUE (pump ([&]
    {
        busyTurn();
        chordHaloGone = chordHaloGone || (chordHaloSeen && ! chordHalo.isThreadRunning());
        chordHaloSeen = chordHaloSeen || chordHalo.isThreadRunning();
        return chordHaloGone && f.engine.nbEvaluated.load() > 10;
    }, 60000));

    // Closing while blocks come, as the shell does: the judging goes on without the editor.
    f.close();
    const int judged = f.engine.nbEvaluated.load();
    EXPECT_TRUE (pump ([&] { return f.engine.nbEvaluated.load() > judged + 5; }, 60000));
    pump ([] { return false; }, 300);  // whatever was posted runs now, and finds the editor gone
}
