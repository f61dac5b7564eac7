#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "EngineTestSupport.h"
#include "engine/EditorHandOvers.h"

using namespace enginetest;

namespace
{
    /** An editor that, while told to, holds every hand-over open until the engine no longer names
        it as its editor, and then sees whether a detach returns while the hand-over is still open. */
    struct HoldingEditor : public juce::AudioProcessorEditor, public EditorHandOvers
    {
        explicit HoldingEditor (juce::AudioProcessor& p) : juce::AudioProcessorEditor (p) { setSize (10, 10); }
        static juce::AudioProcessorEditor* Create (KeysteadProcessor& engine) { return new HoldingEditor (engine); }

        void NoteOnSignal() override { hold(); }
        void ChordSpreadSignal (float) override { hold(); }
        void NewDot (float, float) override { hold(); }
        void PhaseDisplayUpdate() override { hold(); }
        void TempoChange (double, double) override { hold(); }

        void hold()
        {
            inside = true;
            while (holdCalls.load() && processor.getActiveEditor() == this)
                std::this_thread::yield();
            clearedWhileInside = processor.getActiveEditor() != this;
            for (int i = 0; i < 1000 && ! detached.load(); ++i)
                std::this_thread::yield();
            returnedTooEarly = detached.load();
            inside = false;
        }

        std::atomic<bool> holdCalls { false }, inside { false }, detached { false };
        bool clearedWhileInside = false, returnedTooEarly = false;
    };
}

// The detach clears the active editor before it waits, so a hand-over that begins after the wait
// cannot find the editor being deleted: here the clear has to come while a hand-over is open.
TEST (EditorHandOvers, DetachClearsTheEditorAndThenWaitsForAHandOverAlreadyUnderWay)
{
    KeysteadProcessor engine;
    engine.SetEditorFactory (HoldingEditor::Create);
    ProcessorHarness harness (engine);
    std::unique_ptr<juce::AudioProcessorEditor> editor (engine.createEditorIfNeeded());
    auto& recorder = dynamic_cast<HoldingEditor&> (*editor);
    recorder.holdCalls = true;
    harness.noteOn (10, 60);
    std::thread audio ([&] { harness.processBlock(); });
    while (! recorder.inside.load())
        std::this_thread::yield();
    std::thread detacher ([&] { engine.DetachEditor (editor.get()); recorder.detached = true; });
    // A detach that waited first would never clear while the hand-over is open; the bound only
    // lets such a fault end.
    for (int ms = 0; ms < 20000 && ! recorder.detached.load(); ++ms)
        std::this_thread::sleep_for (std::chrono::milliseconds (1));
    recorder.holdCalls = false;
    audio.join();
    detacher.join();
    EXPECT_EQ (std::make_tuple (recorder.clearedWhileInside, recorder.returnedTooEarly, engine.getActiveEditor()),
               std::make_tuple (true, false, nullptr));
}
