#pragma once

#include <tuple>
#include <vector>

#include "support/AllocationCounter.h"
#include "support/ProcessorHarness.h"

namespace enginetest
{
    constexpr int samplesPerMs = 48, beat = 24000;  // at 48000 Hz and 120 beats per minute

    struct TimedNote { juce::int64 at; int noteNumber; };  // samples from the first block after START

    /** The statistics and every boo request made (true: attenuated); then what the run measured. */
    struct Outcome
    {
        int counted = 0, worst = 0;
        float sumMs = 0.0f, maxMs = 0.0f;
        std::vector<bool> boos;
        size_t allocations = 0, longestTail = 0;  // in the second half's blocks; most notes held between blocks
        auto tied() const { return std::tie (counted, worst, sumMs, maxMs, boos); }
    };

    /** Plays the sorted notes in the mode, in blocks cycling through blockLengths, up to `until`. */
    inline Outcome perform (KeysteadProcessor& engine, int tempoMode, const std::vector<TimedNote>& notes,
                            juce::int64 until, const std::vector<int>& blockLengths = { 512 })
    {
        ProcessorHarness harness (engine);
        engine.tempoMode = tempoMode;
        engine.SetIsRunning (true);
        Outcome out;
        juce::int64 start = 0;
        for (size_t next = 0, block = 0; start < until; start += blockLengths[block++ % blockLengths.size()])
        {
            const int length = blockLengths[block % blockLengths.size()];
            for (; next < notes.size() && notes[next].at < start + length; ++next)
                harness.noteOn ((int) (notes[next].at - start), notes[next].noteNumber);
            ScopedAllocationCounter counter;
            harness.processBlock (length);
            out.allocations += 2 * start >= until ? counter.count() : 0;  // once the lists have grown
            out.longestTail = std::max (out.longestTail, engine.incomingNotes.size());
            // This block's boo requests were appended at 0; PlayBuffer has since moved them back.
            for (const auto& r : engine.playRequests[KeysteadProcessor::booSound])
                if (r.startPosition == -length)
                    out.boos.push_back (r.attenuated);
        }
        std::tie (out.counted, out.worst, out.sumMs, out.maxMs) = std::make_tuple (
            engine.nbEvaluated.load(), engine.worstState.load(), engine.sumErrorMs.load(), engine.maxErrorMs.load());
        return out;
    }
}
