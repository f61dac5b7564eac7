#pragma once

#include <algorithm>
#include <atomic>
#include <functional>
#include <random>
#include <thread>
#include <tuple>
#include <vector>

#include "engine/EditorHandOvers.h"
#include "support/AllocationCounter.h"
#include "support/ProcessorHarness.h"

namespace enginetest
{
    constexpr int samplesPerMs = 48, beat = 24000;  // at 48000 Hz and 120 beats per minute

    /** The editor the engine's tests open: it records every hand-over, and can hold one open. */
    struct RecordingEditor : public juce::AudioProcessorEditor, public EditorHandOvers
    {
        enum Kind { noteOn, chordSpread, newDot, phaseDisplay, tempoChange };

        explicit RecordingEditor (juce::AudioProcessor& p) : juce::AudioProcessorEditor (p) { setSize (10, 10); }

        /** The engine's editor factory for these tests. */
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
            handOvers.push_back ({ kind, value });
            inside = false;
        }

        std::vector<double> valuesOf (Kind kind) const
        {
            std::vector<double> v;
            for (const auto& [k, value] : handOvers)
                if (k == kind)
                    v.push_back (value);
            return v;
        }

        std::vector<std::pair<Kind, double>> handOvers;
        std::atomic<bool> holdCalls { false }, inside { false };
    };

    struct TimedNote { juce::int64 at; int noteNumber; };  // samples from the first block after START

    /** The statistics and every boo request made (true: attenuated). */
    struct Outcome
    {
        int counted = 0, worst = 0;
        float sumMs = 0.0f, maxMs = 0.0f;
        std::vector<bool> boos;
        auto tied() const { return std::tie (counted, worst, sumMs, maxMs, boos); }
    };

    /** Plays the sorted notes in the mode, in blocks cycling through blockLengths, up to `until`;
        counts the allocations of the second half's blocks, once the lists have grown. */
    inline Outcome perform (KeysteadProcessor& engine, int tempoMode, const std::vector<TimedNote>& notes,
                            juce::int64 until, const std::vector<int>& blockLengths = { 512 },
                            size_t* allocations = nullptr, const std::function<void()>& afterEachBlock = {})
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
            ScopedAllocationCounter counter;
            harness.processBlock (length);
            if (allocations != nullptr && 2 * start >= until)
                *allocations += counter.count();
            start += length;
            if (afterEachBlock)
                afterEachBlock();

            // This block's boo requests were appended at 0; PlayBuffer has since moved them back.
            for (const auto& r : engine.playRequests[KeysteadProcessor::booSound])
                if (r.startPosition == -length)
                    out.boos.push_back (r.attenuated);
        }

        std::tie (out.counted, out.worst, out.sumMs, out.maxMs) = std::make_tuple (
            engine.nbEvaluated.load(), engine.worstState.load(), engine.sumErrorMs.load(), engine.maxErrorMs.load());
        return out;
    }

    /** Groups of one to four notes up to 40 ms apart near most of `intervals` intervals of a beat
        of B samples split in sub; some groups far off. */
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
            const auto tooOld = [this] (auto& e) { return age - e.age > 200; };
            entries.erase (std::remove_if (entries.begin(), entries.end(), tooOld), entries.end());
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
            const auto other = [p] (auto& e) { return e.value != p; };
            if (newest != entries.end() && std::any_of (entries.begin(), entries.end(), other))
                entries.erase (newest);
        }
    };
}
