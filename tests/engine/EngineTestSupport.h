#pragma once

#include <algorithm>
#include <ostream>
#include <tuple>
#include <vector>

#include "support/ProcessorHarness.h"

namespace enginetest
{
    constexpr int samplesPerMs = 48, beat = 24000;  // at 48000 Hz and 120 beats per minute

    struct TimedNote { juce::int64 at; int noteNumber; };  // samples from the first block after START

    /** What a performance left: the statistics and every boo request made (true: attenuated). */
    struct Outcome
    {
        int counted = 0, worst = 0;
        float sumMs = 0.0f, maxMs = 0.0f;
        std::vector<bool> boos;
        auto tied() const { return std::tie (counted, worst, sumMs, maxMs, boos); }
        bool operator== (const Outcome& o) const { return tied() == o.tied(); }
    };

    inline std::ostream& operator<< (std::ostream& s, const Outcome& o)
    {
        s << "counted " << o.counted << " worst " << o.worst << " sum " << o.sumMs << " max " << o.maxMs << " boos";
        for (bool b : o.boos) s << ' ' << b;
        return s;
    }

    /** Starts the engine in the mode and plays the notes (sorted by time) in blocks whose lengths
        cycle through blockLengths, until `until` samples have been processed. */
    inline Outcome perform (KeysteadProcessor& engine, int tempoMode, const std::vector<TimedNote>& notes,
                            juce::int64 until, const std::vector<int>& blockLengths = { 512 })
    {
        ProcessorHarness harness (engine);
        engine.tempoMode = tempoMode;
        engine.SetIsRunning (true);
        Outcome out;
        juce::int64 start = 0;

        for (size_t next = 0, block = 0; start < until; ++block)
        {
            const int length = blockLengths[block % blockLengths.size()];
            for (; next < notes.size() && notes[next].at < start + length; ++next)
                harness.noteOn ((int) (notes[next].at - start), notes[next].noteNumber);
            harness.processBlock (length);
            start += length;

            // This block's boo requests were appended at 0; PlayBuffer has since moved them back.
            for (const auto& r : engine.playRequests[KeysteadProcessor::booSound])
                if (r.startPosition == -length)
                    out.boos.push_back (r.attenuated);
        }

        std::tie (out.counted, out.worst, out.sumMs, out.maxMs) = std::make_tuple (engine.nbEvaluated.load(), engine.worstState.load(),
                                                                                  engine.sumErrorMs.load(), engine.maxErrorMs.load());
        return out;
    }

    inline float forward (float from, float to) { const float d = to - from; return d < 0.0f ? d + 1.0f : d; }

    template <typename Entries>
    std::vector<float> valuesOf (const Entries& entries)
    {
        std::vector<float> v;
        for (const auto& e : entries) v.push_back (e.value);
        return v;
    }

    /** The reference worked out the slow way: every start's window counted entry by entry. */
    inline float bruteForceReference (const std::vector<float>& v, float degrees)
    {
        const size_t n = v.size();
        size_t bestStart = 0, bestCount = 1;
        float bestSpread = 0.0f;

        for (size_t i = 0; i < n; ++i)
        {
            size_t count = 1;
            for (; count < n && forward (v[i], v[(i + count) % n]) < degrees * (1.0f / 360.0f); ++count) {}
            const float spread = forward (v[i], v[(i + count - 1) % n]);
            if (count > bestCount || (count == bestCount && count >= 2 && spread < bestSpread))
                std::tie (bestStart, bestCount, bestSpread) = std::make_tuple (i, count, spread);
        }

        if (bestCount < 2)
            return -1.0f;
        float sum = 0.0f;
        for (size_t k = 1; k < bestCount; ++k)
            sum += forward (v[bestStart], v[(bestStart + k) % n]);
        const float mean = v[bestStart] + sum / (float) bestCount;
        return mean >= 1.0f ? mean - 1.0f : mean;
    }

    /** The recent-phase list written out plainly: ages never wrap, erase searches every entry. */
    struct ModelList
    {
        struct Entry { float value; int age; };
        std::vector<Entry> entries;
        int age = 0;

        void insert (float p)
        {
            ++age;
            entries.erase (std::remove_if (entries.begin(), entries.end(), [this] (auto& e) { return age - e.age > 200; }), entries.end());
            size_t at = entries.size();
            for (size_t i = 0; i + 1 < entries.size() && at == entries.size(); ++i)
                if (forward (entries[i].value, p) <= forward (entries[i].value, entries[i + 1].value))
                    at = i + 1;
            entries.insert (entries.begin() + (std::ptrdiff_t) at, { p, age });
        }

        void erase (float p)
        {
            auto newest = entries.end();
            for (auto it = entries.begin(); it != entries.end(); ++it)
                if (it->value == p && (newest == entries.end() || it->age > newest->age))
                    newest = it;
            if (newest != entries.end() && std::any_of (entries.begin(), entries.end(), [p] (auto& e) { return e.value != p; }))
                entries.erase (newest);
        }
    };
}
