#include <gtest/gtest.h>

#include "support/AllocationCounter.h"
#include "support/ProcessorHarness.h"

TEST (EngineAllocation, MixingAndFilteringDoNotAllocateOnceWarm)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    engine.filterMidiChannel = true;
    engine.filterMidiRange = true;
    engine.lowestNote = 40;
    engine.highestNote = 90;

    auto fillBlock = [&]
    {
        for (int i = 0; i < 64; ++i)
        {
            harness.noteOn (i * 8, 30 + i, 100, 1 + (i % 3));
            harness.addRaw (i * 8 + 1, { 0xF8 });
        }
    };

    for (int n = 0; n < 3; ++n)
        for (int k = 0; k < 6; ++k)
            engine.playRequests[(size_t) n].push_back ({ k * 700, k % 2 == 0 });

    // Warm up: the filter's buffers reach their working size.
    for (int i = 0; i < 4; ++i)
    {
        fillBlock();
        harness.processBlock();
    }

    for (int i = 0; i < 200; ++i)
    {
        fillBlock();
        if (i % 50 == 0)
            for (int n = 0; n < 3; ++n)
                engine.AskToPlayBuffer (n);

        ScopedAllocationCounter counter;
        engine.processBlock (harness.output, harness.midi);
        ASSERT_EQ (counter.count(), 0u) << "block " << i;
        harness.midi.clear();
    }
}

namespace
{
    /** Runs `blocks` blocks, filling each with fill (block index) first; counts the heap
        allocations of the processBlock calls only. */
    template <typename Fill>
    size_t allocationsWhilePlaying (KeysteadProcessor& engine, ProcessorHarness& harness, int blocks, Fill fill)
    {
        size_t total = 0;
        for (int i = 0; i < blocks; ++i)
        {
            fill (i);
            ScopedAllocationCounter counter;
            engine.processBlock (harness.output, harness.midi);
            total += counter.count();
            harness.midi.clear();
        }
        return total;
    }
}

TEST (EngineAllocation, SteadyTempoAndChordPlayingDoNotAllocate)
{
    for (int mode : { 1, 0 })
    {
        KeysteadProcessor engine;
        ProcessorHarness harness (engine);
        engine.tempoMode = mode;
        engine.metronomeMode = 0;  // the tempo follow runs too
        engine.SetIsRunning (true);

        // Tempo mode: a note on every beat, now and then a small chord with a stray key, some
        // notes far off; chord mode: a chord of 3 to 10 notes every twelve blocks.
        auto fill = [&] (int block)
        {
            if (mode == 1)
            {
                if (block % 47 == 0)
                {
                    harness.noteOn (100, 60);
                    if (block % 3 == 0) harness.noteOn (120, 61);
                    if (block % 5 == 0) harness.noteOn (300, 72);
                }
                if (block % 101 == 7)
                    harness.noteOn (10, 50);
            }
            else if (block % 12 == 0)
            {
                const int notes = 3 + block % 8;
                for (int k = 0; k < notes; ++k)
                    harness.noteOn (k * 40, 48 + 2 * k);
            }
        };

        allocationsWhilePlaying (engine, harness, 3000, fill);  // warm up: lists reach their size
        EXPECT_EQ (allocationsWhilePlaying (engine, harness, 3000, fill), 0u) << "mode " << mode;
        EXPECT_GT (engine.nbEvaluated.load(), 30);
        if (mode == 1)
        {
            EXPECT_GT (engine.s1List.values.size(), 60u);
        }
    }
}
