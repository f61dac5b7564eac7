#pragma once

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "support/AllocationCounter.h"
#include "support/ProcessorHarness.h"

namespace enginetest
{
    constexpr int samplesPerMs = 48, beat = 24000;  // at 48000 Hz and 120 beats per minute

    struct TimedNote { juce::int64 at; int noteNumber; };  // samples from the first block after START

    // Groups of one to four notes up to 40 ms apart near most of `intervals` intervals of a beat
    // of B samples split in sub; some groups far off.
    inline std::vector<TimedNote> randomPerformance (std::mt19937& random, int B, int sub, int intervals)
    {
        const double interval = (double) B / sub;
        std::normal_distribution<double> jitter (0.0, interval * 0.06);
        std::vector<TimedNote> notes;
        for (int k = 4; k < intervals + 4; ++k)
        {
            if (random() % 7 == 0)
                continue;
            auto at = (juce::int64) (k * interval + jitter (random))
                      + (random() % 13 == 0 ? (juce::int64) (interval * 0.2) : 0);
            for (int i = 0, chord = 1 + (int) (random() % 4); i < chord;
                 ++i, at += (juce::int64) (random() % (40 * samplesPerMs)))
                notes.push_back ({ at, 56 + (int) (random() % 12) });
        }
        std::sort (notes.begin(), notes.end(), [] (auto& a, auto& b) { return a.at < b.at; });
        return notes;
    }

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
