#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "EngineTestSupport.h"

namespace
{
    /** An editor that records what the engine tells it; it can hold a call open on request. */
    struct RecordingEditor : public juce::AudioProcessorEditor
    {
        explicit RecordingEditor (juce::AudioProcessor& p) : juce::AudioProcessorEditor (p) { setSize (10, 10); }

        void setControlHighlight (ParameterControlHighlightInfo info) override
        {
            inside = true;
            while (holdCalls.load())
                std::this_thread::yield();
            signals.push_back (info);
            inside = false;
        }

        std::vector<ParameterControlHighlightInfo> signals;
        std::atomic<bool> holdCalls { false }, inside { false };
    };

    struct EngineWithRecordingEditor : public KeysteadProcessor
    {
        juce::AudioProcessorEditor* createEditor() override { return new RecordingEditor (*this); }
    };

    float spreadOf (const juce::AudioProcessorEditor::ParameterControlHighlightInfo& info)
    {
        float ms = 0.0f;
        std::memcpy (&ms, &info.parameterIndex, sizeof (ms));
        return ms;
    }
}

TEST (EditorSignals, NoteOnAndChordSpreadReachTheEditorWithoutChangingTheJudging)
{
    using namespace enginetest;
    const std::vector<TimedNote> chords { { 1000, 60 }, { 1000 + 20 * samplesPerMs, 64 },
                                          { 30000, 60 }, { 30000 + 70 * samplesPerMs, 64 } };

    KeysteadProcessor plain;
    const auto without = perform (plain, 0, chords, 60000);

    EngineWithRecordingEditor engine;
    std::unique_ptr<juce::AudioProcessorEditor> editor (engine.createEditorIfNeeded());
    auto& recorder = dynamic_cast<RecordingEditor&> (*editor);
    const auto with = perform (engine, 0, chords, 60000);
    EXPECT_EQ (with.tied(), without.tied());

    std::vector<float> spreads;
    int noteOnSignals = 0;
    for (const auto& s : recorder.signals)
        if (s.suggestedColour == juce::Colours::white)
            ++noteOnSignals;
        else
            spreads.push_back (spreadOf (s));

    EXPECT_EQ (noteOnSignals, 4);   // each note fell in a block of its own
    ASSERT_EQ (spreads.size(), 2u);
    EXPECT_FLOAT_EQ (spreads[0], 20.0f);
    EXPECT_FLOAT_EQ (spreads[1], 70.0f);

    engine.DetachEditor (editor.get());
}

TEST (EditorSignals, DetachWaitsForAHandOverAlreadyUnderWay)
{
    EngineWithRecordingEditor engine;
    ProcessorHarness harness (engine);
    std::unique_ptr<juce::AudioProcessorEditor> editor (engine.createEditorIfNeeded());
    auto& recorder = dynamic_cast<RecordingEditor&> (*editor);

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
    EXPECT_FALSE (returnedTooEarly);
    EXPECT_TRUE (detached.load());
    EXPECT_EQ (engine.getActiveEditor(), nullptr);
}
