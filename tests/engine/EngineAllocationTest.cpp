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
