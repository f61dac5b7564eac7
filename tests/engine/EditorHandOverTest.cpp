#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "engine/EditorHandOvers.h"

#include "EngineTestSupport.h"

using namespace enginetest;

namespace
{
    /** The editor these tests open: it records every hand-over's value by kind, and can hold one open. */
    struct RecordingEditor : public juce::AudioProcessorEditor, public EditorHandOvers
    {
        enum Kind { noteOn, chordSpread, newDot, phaseDisplay, tempoChange };

        explicit RecordingEditor (juce::AudioProcessor& p) : juce::AudioProcessorEditor (p) { setSize (10, 10); }
        static juce::AudioProcessorEditor* Create (KeysteadProcessor& engine) { return new RecordingEditor (engine); }

        void NoteOnSignal() override { record (noteOn); }
        void ChordSpreadSignal (float spreadMs) override { record (chordSpread, spreadMs); }
        void NewDot (float offset, float) override { record (newDot, offset); }
        void PhaseDisplayUpdate() override { record (phaseDisplay); }
        void TempoChange (double newTempo, double) override { record (tempoChange, newTempo); }

        void record (Kind kind, double value = 0.0)
        {
            inside = true;
            while (holdCalls.load())
                std::this_thread::yield();
            values[kind].push_back (value);
            inside = false;
        }

        std::vector<double> values[5];
        std::atomic<bool> holdCalls { false }, inside { false };
    };
}

// The same playing with and without an open editor: the judging is the same, and the editor
// hears of every note-on block, judged chord, new phase dot, display update and tempo change.
TEST (EditorHandOvers, ReachTheEditorWithoutChangingTheJudging)
{
    struct Case { int mode; std::vector<TimedNote> notes; std::vector<double> spreads; size_t dots, tempoChanges; };
    const int ms = samplesPerMs;
    const Case cases[] = {
        { 0, { { 1000, 60 }, { 1000 + 20 * ms, 64 }, { 30000, 60 }, { 30000 + 70 * ms, 64 } }, { 20.0, 70.0 }, 0, 0 },
        { 1, { { beat, 60 }, { 2 * beat + 10 * ms, 60 }, { 3 * beat, 60 } }, {}, 1, 2 },  // a dot once referenced
    };

    for (const auto& c : cases)
    {
        KeysteadProcessor plain, engine;
        const auto without = perform (plain, c.mode, c.notes, 4 * beat);
        engine.SetEditorFactory (RecordingEditor::Create);
        std::unique_ptr<juce::AudioProcessorEditor> editor (engine.createEditorIfNeeded());
        const auto& recorder = dynamic_cast<RecordingEditor&> (*editor);
        const auto with = perform (engine, c.mode, c.notes, 4 * beat);

        SCOPED_TRACE (testing::Message() << "mode " << c.mode);
        EXPECT_EQ (with.tied(), without.tied());
        EXPECT_EQ (engine.tempo.load(), plain.tempo.load());
        const auto& v = recorder.values;
        EXPECT_EQ (std::make_tuple (v[RecordingEditor::noteOn].size(), v[RecordingEditor::newDot].size(),  // a note a block
                                    v[RecordingEditor::tempoChange].size(), v[RecordingEditor::phaseDisplay].empty()),
                   std::make_tuple (c.notes.size(), c.dots, c.tempoChanges, c.mode == 0));
        EXPECT_EQ (v[RecordingEditor::chordSpread], c.spreads);
        engine.DetachEditor (editor.get());
    }
}

TEST (EditorHandOvers, DetachWaitsForAHandOverAlreadyUnderWay)
{
    KeysteadProcessor engine;
    engine.SetEditorFactory (RecordingEditor::Create);
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
