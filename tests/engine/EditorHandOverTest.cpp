#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "EngineTestSupport.h"
#include "engine/EditorHandOvers.h"

using namespace enginetest;

namespace
{
    /** An editor that holds every hand-over open while told to. */
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
            while (holdCalls.load())
                std::this_thread::yield();
            inside = false;
        }

        std::atomic<bool> holdCalls { false }, inside { false };
    };
}

TEST (EditorHandOvers, DetachWaitsForAHandOverAlreadyUnderWay)
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
    std::atomic<bool> detached { false };
    std::thread detacher ([&] { engine.DetachEditor (editor.get()); detached = true; });
    // While the audio thread is still inside the editor, the detach must not have returned.
    bool returnedTooEarly = false;
    for (int i = 0; i < 1000 && ! returnedTooEarly; ++i, std::this_thread::yield())
        returnedTooEarly = detached.load();
    recorder.holdCalls = false;
    audio.join();
    detacher.join();
    EXPECT_EQ (std::make_tuple (returnedTooEarly, detached.load(), engine.getActiveEditor()),
               std::make_tuple (false, true, nullptr));
}
