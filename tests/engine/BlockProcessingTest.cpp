#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "EngineTestSupport.h"

using namespace enginetest;

namespace
{
    std::vector<int> clickStarts (const KeysteadProcessor& engine)
    {
        std::vector<int> starts;
        for (const auto& r : engine.playRequests[KeysteadProcessor::clickSound])
            starts.push_back (r.startPosition);
        return starts;
    }
}

TEST (BlockProcessing, ClicksStartOnTheBeatFromTheFirstBlockAfterStart)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    engine.tempoMode = 1;
    engine.SetIsRunning (true);

    const auto& click = engine.soundBuffers[KeysteadProcessor::clickSound];
    ASSERT_GT (click.getNumSamples(), 512);
    ASSERT_LT (click.getNumSamples(), 24000 - 512);

    auto& first = harness.processBlock();
    for (int i = 0; i < 512; ++i)
        ASSERT_EQ (first.getSample (0, i), click.getSample (0, i));

    harness.processBlocks (45);
    auto& block47 = harness.processBlock();  // 24000 = 46 x 512 + 448

    for (int i = 0; i < 448; ++i)
        ASSERT_EQ (block47.getSample (1, i), 0.0f) << i;
    for (int i = 448; i < 512; ++i)
    {
        ASSERT_EQ (block47.getSample (0, i), click.getSample (0, i - 448)) << i;
        ASSERT_EQ (block47.getSample (1, i), click.getSample (0, i - 448)) << i;
    }

    // With no notes at all the clicks go on, one beat apart.
    harness.processBlocks (300);
    const auto starts = clickStarts (engine);
    ASSERT_GE (starts.size(), 1u);
    EXPECT_GE (starts.back(), 0);
    EXPECT_EQ ((347 * 512 + starts.back()) % 24000, 0);
}

TEST (BlockProcessing, ChordModeAndStoppedEngineScheduleNoClicks)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    engine.SetIsRunning (true);  // chord mode
    harness.processBlocks (100);
    EXPECT_TRUE (engine.playRequests[KeysteadProcessor::clickSound].empty());

    engine.tempoMode = 1;
    engine.SetIsRunning (false);
    harness.processBlocks (10);
    EXPECT_TRUE (engine.playRequests[KeysteadProcessor::clickSound].empty());
}

TEST (BlockProcessing, CollectsOnlyNoteOnsAndOnlyWhileRunning)
{
    EngineWithRecordingEditor engine;
    ProcessorHarness harness (engine);
    auto& editor = engine.openEditor();

    // Stopped: the light flashes, nothing is collected, a preview still sounds.
    harness.noteOn (10, 60);
    engine.AskToPlayBuffer (KeysteadProcessor::goodSound);
    auto& out = harness.processBlock();
    EXPECT_EQ (editor.take().size(), 1u);
    EXPECT_TRUE (engine.incomingNotes.empty());
    EXPECT_GT (out.getMagnitude (0, 512), 0.0f);

    engine.SetIsRunning (true);  // chord mode keeps the recent notes
    harness.addRaw (5, { 0x80, 60, 0 });       // note-off
    harness.addRaw (6, { 0x90, 62, 0 });       // note-on of velocity 0
    harness.processBlock();
    EXPECT_TRUE (editor.take().empty());
    EXPECT_TRUE (engine.incomingNotes.empty());

    harness.noteOn (100, 60);
    harness.addRaw (150, { 0xB0, 7, 100 });
    harness.noteOn (200, 64);
    harness.noteOn (300, 67, 1);
    harness.processBlock();
    const auto signals = editor.take();
    ASSERT_EQ (signals.size(), 1u);
    EXPECT_EQ (signals[0].suggestedColour, juce::Colours::white);

    // Still within the no-chord limit of the block's end: carried, moved back by one block.
    ASSERT_EQ (engine.incomingNotes.size(), 3u);
    EXPECT_EQ (engine.incomingNotes[0].samplePosition, 100 - 512);
    EXPECT_EQ (engine.incomingNotes[1].noteNumber, 64);
    EXPECT_EQ (engine.incomingNotes[2].samplePosition, 300 - 512);
}

TEST (BlockProcessing, FilteredNotesAreNeitherSignalledNorCollected)
{
    EngineWithRecordingEditor engine;
    ProcessorHarness harness (engine);
    auto& editor = engine.openEditor();
    engine.filterMidiChannel = true;
    engine.midiChannel = 2;
    engine.SetIsRunning (true);

    harness.noteOn (10, 60, 100, 1);
    harness.processBlock();
    EXPECT_TRUE (editor.take().empty());
    EXPECT_TRUE (engine.incomingNotes.empty());
}

TEST (BlockProcessing, AnyStoredTempoGivesAUsableBeat)
{
    struct Case { double tempo; int beat; };
    const Case cases[] = { { 0.0, 96000 }, { -40.0, 96000 }, { std::nan (""), 24000 }, { 1.0e300, 11520 },
                           { std::numeric_limits<double>::infinity(), 11520 }, { 119.5, 24100 }, { 250.0, 11520 } };

    for (const auto& c : cases)
    {
        KeysteadProcessor engine;
        ProcessorHarness harness (engine);
        engine.tempoMode = 1;
        engine.tempo = c.tempo;
        engine.subdivisor = 0;
        engine.SetIsRunning (true);
        harness.noteOn (100, 60);
        harness.processBlock();
        harness.noteOn (200, 60);
        harness.processBlocks (3);

        const auto starts = clickStarts (engine);
        ASSERT_GE (starts.size(), 2u) << c.tempo;
        EXPECT_EQ (starts[starts.size() - 1] - starts[starts.size() - 2], c.beat) << c.tempo;
        for (const auto& e : engine.s1List.values)
        {
            EXPECT_GE (e.value, 0.0f);
            EXPECT_LT (e.value, 1.0f);
        }
    }
}

TEST (BlockProcessing, AnEmptyClickListWhileRunningRestartsTheClockAtTheBlockStart)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    engine.tempoMode = 1;
    engine.SetIsRunning (true);
    harness.processBlocks (5);

    engine.playRequests[KeysteadProcessor::clickSound].clear();
    harness.processBlock();
    EXPECT_EQ (clickStarts (engine), (std::vector<int> { -512, 24000 - 512 }));

    // An empty click clip retires every click as soon as it is due; the clock still runs.
    engine.soundBuffers[KeysteadProcessor::clickSound].setSize (0, 0);
    for (int i = 0; i < 200; ++i)
    {
        harness.processBlock();
        ASSERT_LE (engine.playRequests[KeysteadProcessor::clickSound].size(), 2u);
    }
}

TEST (BlockProcessing, WithoutADeviceRateNothingIsTimedButSoundsPlay)
{
    KeysteadProcessor engine;
    engine.prepareToPlay (48000.0, 512);  // the rate was never set on the processor
    engine.tempoMode = 1;
    engine.SetIsRunning (true);
    engine.AskToPlayBuffer (KeysteadProcessor::booSound);

    juce::AudioBuffer<float> out (2, 512);
    out.clear();
    juce::MidiBuffer midi;
    midi.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 3);
    engine.processBlock (out, midi);

    EXPECT_TRUE (engine.incomingNotes.empty());
    EXPECT_TRUE (engine.s1List.values.empty());
    EXPECT_GT (out.getMagnitude (0, 512), 0.0f);
}

TEST (EditorSignals, ChordSpreadsAreSentAsFloatBitsLatestFirst)
{
    EngineWithRecordingEditor engine;
    ProcessorHarness harness (engine, 48000.0, 512);
    auto& editor = engine.openEditor();
    engine.SetIsRunning (true);

    // Two chords, 10 ms and 20 ms wide, closed in the same (long) block.
    harness.noteOn (100, 60);
    harness.noteOn (100 + 10 * samplesPerMs, 64);
    harness.noteOn (12000, 60);
    harness.noteOn (12000 + 20 * samplesPerMs, 64);
    harness.processBlock (24000);

    auto signals = editor.take();
    ASSERT_EQ (signals.size(), 3u);  // the note-on signal, then the two chords
    EXPECT_EQ (signals[0].suggestedColour, juce::Colours::white);
    EXPECT_EQ (signals[1].suggestedColour, juce::Colours::black);
    EXPECT_EQ (spreadOf (signals[1]), 20.0f);
    EXPECT_EQ (spreadOf (signals[2]), 10.0f);
    EXPECT_EQ (engine.nbEvaluated.load(), 2);
}

TEST (EditorSignals, JudgingIsTheSameWithAndWithoutAnEditor)
{
    std::mt19937 random (7);
    std::vector<TimedNote> notes;
    for (juce::int64 beatStart = 48000; beatStart < 48000 * 40; beatStart += 24000)
    {
        const int chord = 1 + (int) (random() % 3);
        const juce::int64 at = beatStart + (juce::int64) (random() % 4000) - 2000;
        for (int k = 0; k < chord; ++k)
            notes.push_back ({ at + k * (juce::int64) (random() % 300), 55 + (int) (random() % 12) });
    }

    for (int mode : { 0, 1 })
    {
        KeysteadProcessor plain;
        EngineWithRecordingEditor withEditor;
        withEditor.openEditor();
        ProcessorHarness h1 (plain), h2 (withEditor);
        std::vector<bool> boos1, boos2;

        for (auto* e : { static_cast<KeysteadProcessor*> (&plain), static_cast<KeysteadProcessor*> (&withEditor) })
        {
            e->tempoMode = mode;
            e->SetIsRunning (true);
        }

        perform (h1, notes, 48000 * 42, { 512 }, [&] (juce::int64, int n) { for (bool b : booRequestsOfLastBlock (plain, n)) boos1.push_back (b); });
        perform (h2, notes, 48000 * 42, { 512 }, [&] (juce::int64, int n) { for (bool b : booRequestsOfLastBlock (withEditor, n)) boos2.push_back (b); });

        EXPECT_GT (plain.nbEvaluated.load(), 10);
        EXPECT_EQ (plain.nbEvaluated.load(), withEditor.nbEvaluated.load());
        EXPECT_EQ (plain.sumErrorMs.load(), withEditor.sumErrorMs.load());
        EXPECT_EQ (plain.maxErrorMs.load(), withEditor.maxErrorMs.load());
        EXPECT_EQ (plain.worstState.load(), withEditor.worstState.load());
        EXPECT_EQ (plain.tempo.load(), withEditor.tempo.load());
        EXPECT_EQ (boos1, boos2);
        if (mode == 1)
        {
            EXPECT_NE (plain.tempo.load(), 120.0);  // the follow did run
        }
    }
}

TEST (EditorSignals, DetachingWaitsForACallInProgress)
{
    EngineWithRecordingEditor engine;
    ProcessorHarness harness (engine);
    auto& editor = engine.openEditor();

    std::atomic<bool> entered { false }, finished { false };
    editor.onHighlight = [&]
    {
        entered = true;
        std::this_thread::sleep_for (std::chrono::milliseconds (50));
        finished = true;
    };

    harness.noteOn (0, 60);
    std::thread audio ([&] { harness.processBlock(); });

    while (! entered.load())
        std::this_thread::yield();

    engine.DetachEditor (engine.editor.get());
    EXPECT_TRUE (finished.load());
    audio.join();

    EXPECT_EQ (engine.getActiveEditor(), nullptr);
    harness.noteOn (0, 60);
    harness.processBlock();  // no editor: nothing reaches the old one
    EXPECT_EQ (editor.take().size(), 1u);
}

TEST (EditorSignals, NewDotHaloIsCentredAtTheDotsAngleAndRadius)
{
    // 12 o'clock is the reference; a quarter of a turn later is 3 o'clock.
    EXPECT_EQ (KeysteadProcessor::NewDotCentre (0.0f, 1.0f, 200, 200), juce::Point<int> (100, 0));
    EXPECT_EQ (KeysteadProcessor::NewDotCentre (0.25f, 1.0f, 200, 200), juce::Point<int> (200, 100));
    // Half a turn: sin of the single-precision angle is a hair below 0, and the centre is truncated.
    EXPECT_EQ (KeysteadProcessor::NewDotCentre (0.5f, 0.5f, 200, 100), juce::Point<int> (99, 75));
    EXPECT_EQ (KeysteadProcessor::NewDotCentre (0.75f, 0.5f, 300, 300), juce::Point<int> (75, 150));
}
