#include <benchmark/benchmark.h>

#include "engine/KeysteadProcessor.h"

// processBlock at 48000 Hz with 512-sample blocks; the real-time budget of one block is
// 10.67 ms. Each iteration is one block as the audio player runs it (the output cleared, the
// block's MIDI handed over).

namespace
{
    constexpr double rate = 48000.0;
    constexpr int blockLength = 512;

    struct BlockRunner
    {
        BlockRunner()
        {
            engine.setRateAndBufferSizeDetails (rate, blockLength);
            engine.prepareToPlay (rate, blockLength);
            output.setSize (2, blockLength);
            midi.ensureSize (4096);
            pattern.ensureSize (4096);
        }

        void runBlock()
        {
            midi.clear();
            midi.addEvents (pattern, 0, -1, 0);
            output.clear();
            engine.processBlock (output, midi);
            benchmark::DoNotOptimize (output.getReadPointer (0));
        }

        KeysteadProcessor engine;
        juce::AudioBuffer<float> output;
        juce::MidiBuffer midi, pattern;
    };
}

static void BM_TempoModeIdleBlock (benchmark::State& state)
{
    BlockRunner runner;
    runner.engine.tempoMode = 1;
    runner.engine.SetIsRunning (true);

    for (auto _ : state)
        runner.runBlock();
}
BENCHMARK (BM_TempoModeIdleBlock);

static void BM_TempoModeDensePlaying (benchmark::State& state)
{
    // Sixteen note-ons a block at positions that wander against the beat: most lie far from the
    // reference and close the open group, so every block inserts sixteen phases and closes
    // several groups (statistics, tempo follow, reference over the full list). The keys lie
    // at least a fourth apart, so no note is forgiven and the list stays full at 201.
    BlockRunner runner;
    runner.engine.tempoMode = 1;
    runner.engine.metronomeMode = 0;
    runner.engine.SetIsRunning (true);

    for (int k = 0; k < 16; ++k)
        runner.pattern.addEvent (juce::MidiMessage::noteOn (1, 30 + 5 * k, (juce::uint8) 90), k * 31 + (k * 7) % 13);

    for (int i = 0; i < 100; ++i)
        runner.runBlock();

    for (auto _ : state)
        runner.runBlock();

    state.counters["phases"] = (double) runner.engine.s1List.values.size();
    state.counters["judged"] = (double) runner.engine.nbEvaluated.load();
}
BENCHMARK (BM_TempoModeDensePlaying);

static void BM_ChordModeTenNoteChordEveryBlock (benchmark::State& state)
{
    // Narrow limits (about 1.7 and 4.3 ms) so that the chord struck at the start of each block
    // closes within that block; its spread lies between the two limits, so the neighbouring-key
    // pass tries each of the ten notes.
    BlockRunner runner;
    runner.engine.goodNoMetronome = 2;
    runner.engine.noChordNoMetronome = 5;
    runner.engine.SetIsRunning (true);

    for (int k = 0; k < 10; ++k)
        runner.pattern.addEvent (juce::MidiMessage::noteOn (1, 60 + k, (juce::uint8) 90), k * 16 + (k == 9 ? 6 : 0));

    for (int i = 0; i < 10; ++i)
        runner.runBlock();

    for (auto _ : state)
        runner.runBlock();

    state.counters["judged"] = (double) runner.engine.nbEvaluated.load();
}
BENCHMARK (BM_ChordModeTenNoteChordEveryBlock);
