#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "EngineTestSupport.h"
#include "engine/EditorHandOvers.h"

using namespace enginetest;

namespace
{
    /** An editor that records every hand-over's value by kind. */
    struct RecordingEditor : public juce::AudioProcessorEditor, public EditorHandOvers
    {
        enum Kind { noteOn, chordSpread, newDot, phaseDisplay, tempoChange };

        explicit RecordingEditor (juce::AudioProcessor& p) : juce::AudioProcessorEditor (p) { setSize (10, 10); }
        static juce::AudioProcessorEditor* Create (KeysteadProcessor& engine) { return new RecordingEditor (engine); }

        void NoteOnSignal() override { values[noteOn].push_back (0.0); }
        void ChordSpreadSignal (float spreadMs) override { values[chordSpread].push_back (spreadMs); }
        void NewDot (float offset, float) override { values[newDot].push_back (offset); }
        void PhaseDisplayUpdate() override { values[phaseDisplay].push_back (0.0); }
        void TempoChange (double newTempo, double) override { values[tempoChange].push_back (newTempo); }

        std::vector<double> values[5];
    };
}

// The same playing with and without an open editor: the judging is the same, and the editor hears
// once of each block with note-ons, and of every judged chord (its spread in milliseconds), new
// phase dot, display update and tempo change.
TEST (EditorHandOvers, ReachTheEditorWithoutChangingTheJudging)
{
    struct Case
    {
        int mode; std::vector<TimedNote> notes; size_t noteOnBlocks; std::vector<double> spreads;
        size_t dots, tempoChanges;
    };
    const int ms = samplesPerMs;
    const Case cases[] = {
        { 0, { { 1000, 60 }, { 1000 + 20 * ms, 64 }, { 30000, 60 }, { 30000 + 70 * ms, 64 } }, 4, { 20.0, 70.0 },
          0, 0 },
        { 0, { { 1000, 60 }, { 1010, 64 }, { 1020, 67 } }, 1, { 15.0 / samplesPerMs }, 0, 0 },  // one block
        { 1, { { beat, 60 }, { 2 * beat + 10 * ms, 60 }, { 3 * beat, 60 } }, 3, {}, 1, 2 },  // a dot once referenced
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
        using R = RecordingEditor;
        EXPECT_EQ (std::make_tuple (v[R::noteOn].size(), v[R::newDot].size(),
                                    v[R::tempoChange].size(), v[R::phaseDisplay].empty()),
                   std::make_tuple (c.noteOnBlocks, c.dots, c.tempoChanges, c.mode == 0));
        EXPECT_EQ (v[R::chordSpread], c.spreads);
        engine.DetachEditor (editor.get());
    }
}

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
