#include <benchmark/benchmark.h>

#include "engine/KeysteadProcessor.h"

// The real-time budget of one 512-sample block at 48 kHz is 10.67 ms.

static void BM_PlayBufferOverlapping (benchmark::State& state)
{
    const auto sound = (int) state.range (0);
    const auto overlapping = (int) state.range (1);

    KeysteadProcessor engine;
    engine.prepareToPlay (48000.0, 512);
    juce::AudioBuffer<float> output (2, 512);
    const int clipLength = engine.soundBuffers[(size_t) sound].getNumSamples();

    for (auto _ : state)
    {
        // Keep the requests spread over the clip so that every one of them mixes a full block.
        if (engine.playRequests[(size_t) sound].size() < (size_t) overlapping)
        {
            state.PauseTiming();
            engine.playRequests[(size_t) sound].clear();
            for (int k = 0; k < overlapping; ++k)
                engine.playRequests[(size_t) sound].push_back ({ -(k * clipLength / (overlapping + 1)), k % 2 == 1 });
            state.ResumeTiming();
        }

        engine.PlayBuffer (sound, output);
        benchmark::DoNotOptimize (output.getReadPointer (0));
    }
}
BENCHMARK (BM_PlayBufferOverlapping)->ArgsProduct ({ { 0, 1, 2 }, { 1, 4 } });

static void BM_FilterBlockOf64Events (benchmark::State& state)
{
    KeysteadProcessor engine;
    engine.filterMidiChannel = true;
    engine.filterMidiRange = true;
    engine.lowestNote = 36;
    engine.highestNote = 96;

    juce::MidiBuffer block, working;
    for (int i = 0; i < 64; ++i)
        block.addEvent (juce::MidiMessage::noteOn (1 + (i % 2), 30 + i, (juce::uint8) 90), i * 8);
    working.ensureSize (4096);

    for (auto _ : state)
    {
        working = block;
        engine.FilterByMidiChannelAndNoteLimits (working);
        benchmark::DoNotOptimize (working.data.begin());
    }
}
BENCHMARK (BM_FilterBlockOf64Events);
