#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "EngineTestSupport.h"

using namespace enginetest;

namespace
{
    // The comparisons with the models below are arithmetic on one thread, where a sanitizer finds
    // little that the plain build's whole run does not: the sanitizer builds run one part in `slice`.
    constexpr int slice = KEYSTEAD_SANITIZER_BUILD ? 5 : 1;

    float forward (float from, float to) { const float d = to - from; return d < 0.0f ? d + 1.0f : d; }
    bool neighbours (const TimedNote& a, const TimedNote& b)
        { const int d = std::abs (a.noteNumber - b.noteNumber); return d == 1 || d == 2; }

    template <typename Entries> std::vector<float> valuesOf (const Entries& entries)
    {
        std::vector<float> v;
        for (const auto& e : entries) v.push_back (e.value);
        return v;
    }

    /** The reference worked out the slow way: every start's window counted entry by entry. */
    float bruteForceReference (const std::vector<float>& v, float degrees)
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
            const auto newest = std::max_element (entries.begin(), entries.end(), [p] (auto& a, auto& b)
                { return std::make_pair (a.value == p, a.age) < std::make_pair (b.value == p, b.age); });
            if (newest != entries.end() && newest->value == p
                && std::any_of (entries.begin(), entries.end(), [p] (auto& e) { return e.value != p; }))
                entries.erase (newest);
        }
    };
}

// The first click starts on the first sample of the first block after START, the second at 24000 =
// 46 x 512 + 448 (after the first has ended), the same on both sides.
TEST (Judging, TempoModeClicksStartOnTheBeatFromTheFirstBlockAfterStart)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    engine.tempoMode = 1;
    engine.SetIsRunning (true);
    const auto& click = engine.soundBuffers[KeysteadProcessor::clickSound];
    ASSERT_GT (click.getNumSamples(), 512);
    for (int block = 0, clickAt = 0; block <= 46; ++block, clickAt = 448)
    {
        const auto& out = harness.processBlock();
        for (int i = 0; block % 46 == 0 && i < 512; ++i)
        {
            const float expected = i < clickAt ? 0.0f : click.getSample (0, i - clickAt);
            ASSERT_TRUE (out.getSample (0, i) == out.getSample (1, i) && out.getSample (0, i) == expected)
                << block << " " << i;
        }
    }
}

// Tempo mode at 120 with the reference exactly on the beat (notes on beats 1 to 3, the last two
// counted at 0 ms), then each row's notes from beat 5 on. With the metronome off the tempo moves by
// half the group's lateness or earliness (to 120 / 1.02 and 120 / 0.98 here), not for a group that
// is both; its errors are then measured at the new tempo (no sum given).
TEST (Judging, TempoModeVerdictMarginsForgivenessAndTempoFollow)
{
    const double slower = 120.0 / (double) (1.0f + 0.5f * (960.0f / 24000.0f));
    const double faster = 120.0 / (double) (1.0f - 0.5f * (1.0f - (24000.0f - 960.0f) / 24000.0f));
    const struct
    {
        const char* name; int metronome; std::vector<std::pair<int, int>> msAndNotes;
        int counted, worst; std::vector<bool> boos; float sumMs; double tempo; size_t phases;
    } rows[] = {
        { "good", 1, { { 30, 64 } }, 3, 0, {}, 30, 120, 4 },
        { "middling late", 1, { { 50, 64 } }, 3, 1, { true }, 50, 120, 4 },
        { "middling early", 1, { { -50, 64 } }, 3, 1, { true }, 50, 120, 4 },
        { "very bad late", 1, { { 70, 64 } }, 3, 2, { false }, 70, 120, 4 },
        { "very bad early", 1, { { -70, 64 } }, 3, 2, { false }, 70, 120, 4 },
        { "beyond no-chord", 1, { { 90, 64 } }, 2, 0, {}, 0, 120, 4 },           // dropped, yet drawn
        { "C#4 forgiven", 1, { { 0, 60 }, { 50, 61 } }, 3, 0, {}, 0, 120, 4 },   // beside a good C4: erased
        { "E4 not forgiven", 1, { { 0, 60 }, { 50, 64 } }, 4, 1, { true }, 50, 120, 5 },
        { "one boo a group", 1, { { 50, 70 }, { 52, 50 } }, 4, 1, { true }, 102, 120, 5 },
        { "late", 0, { { 20, 60 }, { 25, 64 } }, 4, 0, {}, -1, slower, 5 },
        { "early", 0, { { -25, 60 }, { -20, 64 } }, 4, 0, {}, -1, faster, 5 },
        { "both", 0, { { -20, 60 }, { 20, 64 } }, 4, 0, {}, 40, 120, 5 },
        { "metronome on", 1, { { 20, 60 }, { 25, 64 } }, 4, 0, {}, 45, 120, 5 },
    };
    for (const auto& row : rows)
    {
        std::vector<TimedNote> notes { { beat, 60 }, { 2 * beat, 60 }, { 3 * beat, 60 } };
        for (auto [ms, note] : row.msAndNotes)
            notes.push_back ({ 5 * beat + ms * samplesPerMs, note });
        std::sort (notes.begin(), notes.end(), [] (auto& a, auto& b) { return a.at < b.at; });
        KeysteadProcessor engine;
        engine.metronomeMode = row.metronome;
        const auto out = perform (engine, 1, notes, 7 * beat);
        SCOPED_TRACE (row.name);
        EXPECT_EQ (std::tie (out.counted, out.worst, out.boos), std::tie (row.counted, row.worst, row.boos));
        EXPECT_TRUE (row.sumMs < 0.0f || std::abs (out.sumMs - row.sumMs) < 0.01f) << out.sumMs;
        EXPECT_EQ (std::make_pair (engine.tempo.load(), engine.s1List.values.size()),
                   std::make_pair (row.tempo, row.phases));
    }
}

// Random lists against the plain model and the entry-by-entry reference: short and long (past the
// pruning at 201 and the age wrap at 511), repeated values, tight clusters, and phases within a few
// ulps of each other and of the turn's ends, which can leave lists going round the circle twice.
TEST (Judging, RecentPhaseListMatchesAPlainModelAndTheBruteForceReference)
{
    std::mt19937 random (1234);
    const float windows[] = { 30.0f, 5.0f, 0.0f, -10.0f, 120.0f, 360.0f, 400.0f, 0.001f, 1.0e-4f, 2.0f };
    int listsGoingRoundTwice = 0;
    for (int trial = 0; trial < 2000 / slice; ++trial)
    {
        RelaxedAtomic<float> window (windows[trial % 10]);
        KeysteadProcessor::OrderedS1ValueListWithReference list (&window);
        ModelList model;
        const bool crowded = trial % 4 == 0;
        const int steps = trial % 100 == 0 ? 1500 : (int) (random() % 50) + (trial % 5 == 0 ? 200 : 0);
        const float centre = (float) (random() % 1000) / 1000.0f * (random() % 2 == 0 ? 0.01f : 1.0f);
        for (int step = 0; step < steps; ++step)
        {
            float near = centre;
            for (auto k = random() % 4; k > 0; --k)
                near = std::nextafter (near, (float) (random() % 2));
            const float kinds[] = { (float) (random() % 8) / 8.0f, 1.0f - (float) (random() % 4) * 1.0e-7f,
                                    centre + (float) ((int) (random() % 2001) - 1000) / 20000.0f,
                                    (float) (random() % 1000000) / 1000000.0f,
                                    model.entries.empty() ? 0.5f : model.entries[random() % model.entries.size()].value,
                                    near, (1.0f + centre) - 1.0f, (centre - 1.0f) + 1.0f,
                                    (float) (random() % 4) * 1.0e-9f };
            const float k = kinds[crowded ? 5 + random() % 4 : random() % 5];
            const float p = k - std::floor (k) >= 1.0f ? 0.0f : k - std::floor (k);
            if (random() % 3 == 0) { list.EraseValue (p); model.erase (p); }
            else                   { list.InsertValue (p, 0.5f); model.insert (p); }

            // Where a list goes round twice the model may order it otherwise; the reference still holds.
            const auto v = valuesOf (list.values);
            ASSERT_TRUE ((crowded || v == valuesOf (model.entries)) && list.ageCounter <= 511) << trial << ", " << step;
            size_t descents = 0;
            for (size_t i = 0; i < v.size(); ++i)
                descents += v[(i + 1) % v.size()] < v[i] ? 1u : 0u;
            listsGoingRoundTwice += descents > 1 ? 1 : 0;
            if (! crowded && step + 1 < steps)
                continue;
            list.UpdateReference();
            ASSERT_EQ (list.reference.value, bruteForceReference (v, window)) << "trial " << trial << ", " << step;
        }
    }
    EXPECT_GT (listsGoingRoundTwice, 10000 / slice);
}

// Five notes whose phases (0.99, 0.016666651, 0.07, 0.08, 0.016666668) leave a list that goes
// round twice, then a probe at 0.25: the reference is that of 0.99's window of four, so the
// probe lies beyond the no-chord limit and is not counted.
TEST (Judging, TempoModeKeepsTheReferenceOfAListThatGoesRoundTwice)
{
    for (const bool probe : { false, true })
    {
        KeysteadProcessor engine;
        engine.metronomeMode = 1;
        engine.subdivisor = 2;
        std::vector<TimedNote> notes;
        for (juce::int64 at : { 35880, 60200, 72840, 96960, 120200, 171000 })
            if (probe || at < 171000)
                notes.push_back ({ at, 60 });
        const auto out = perform (engine, 1, notes, 170000 + (probe ? 30000 : 0));
        const float reference = engine.s1List.reference.value;
        EXPECT_EQ (out.counted, 4) << "probe " << probe;
        EXPECT_EQ (reference, bruteForceReference (valuesOf (engine.s1List.values), 30.0f)) << "probe " << probe;
        EXPECT_TRUE (probe || std::abs (reference - 0.0233333f) < 1.0e-6f) << reference;
    }
}

namespace
{
    // The tempo-mode rules written out plainly for a fixed tempo (metronome switch on), on
    // absolute sample times: an independent computation to compare the engine with.
    struct TempoModel
    {
        double tempo;
        int sub, B = (int) (48000.0 * 60.0 / tempo);
        ModelList list {};
        float reference = -1.0f;
        std::vector<std::pair<TimedNote, bool>> good {}, bad {};  // with "very bad"
        Outcome out {};

        float phase (juce::int64 t) const
        {
            const float p = (float) sub * (float) (t % B) / (float) B;
            return p - std::floor (p);
        }

        static float distance (float p, float r) { const float e = forward (r, p); return e <= 0.5f ? e : 1.0f - e; }

        void close()
        {
            auto forgiven = [this] (auto& b)
            {
                return std::any_of (good.begin(), good.end(), [&] (auto& n) { return neighbours (n.first, b.first); });
            };
            for (auto& b : bad)
                if (forgiven (b))
                    list.erase (phase (b.first.at));
            bad.erase (std::remove_if (bad.begin(), bad.end(), forgiven), bad.end());
            if (! bad.empty())
            {
                const bool veryBad = std::any_of (bad.begin(), bad.end(), [] (auto& b) { return b.second; });
                out.worst = veryBad ? 2 : std::max (out.worst, 1);
                out.boos.push_back (! veryBad);
            }
            good.insert (good.end(), bad.begin(), bad.end());
            for (size_t i = 0; reference != -1.0f && i < good.size(); ++i)
            {
                const float d = distance (phase (good[i].first.at), reference);
                const float ms = (float) ((double) (d * 60000.0f) / ((double) sub * tempo));
                out.sumMs += ms;
                out.maxMs = std::max (out.maxMs, ms);
                ++out.counted;
            }
            good.clear();
            bad.clear();
            reference = bruteForceReference (valuesOf (list.entries), 30.0f);
        }

        Outcome run (const std::vector<TimedNote>& notes)
        {
            const float half = (float) B / (float) (2 * sub), g = 30.0f * (1.0f / 360.0f), c = 60.0f * (1.0f / 360.0f);
            const float m = std::min ((float) sub * ((float) tempo * 0.15f), 44.95f) * (1.0f / 360.0f);
            auto latest = [] (auto& group)
                { return group.empty() ? std::numeric_limits<juce::int64>::min() : group.back().first.at; };
            for (auto& n : notes)
            {
                if (! (good.empty() && bad.empty()) && (float) (n.at - std::max (latest (good), latest (bad))) > half)
                    close();
                const float p = phase (n.at), r = reference, d = distance (p, r);
                list.insert (p);
                if (r == -1.0f)  // the first note of all is good and not counted
                    reference = bruteForceReference (valuesOf (list.entries), 30.0f);
                else if (d >= c)
                    close();
                else if (d >= g)
                    bad.push_back ({ n, d > g + m });
                if (r == -1.0f || d < g)
                    good.push_back ({ n, false });
            }
            if (! good.empty() || ! bad.empty())
                close();
            return out;
        }
    };
}

// Tempo mode (metronome switch on) against the model, bit for bit, at any block size, without
// allocating once the lists are full.
TEST (Judging, TempoModeMatchesAnIndependentComputationAtAnyBlockSize)
{
    std::mt19937 random (2024);
    const std::pair<double, int> settings[] = { { 120.0, 1 }, { 97.0, 2 }, { 143.0, 3 }, { 60.0, 4 }, { 200.0, 1 } };
    for (const auto& [tempo, sub] : settings)
    {
        TempoModel model { tempo, sub };
        const auto notes = randomPerformance (random, model.B, sub, 300 / slice);
        const auto expected = model.run (notes);
        ASSERT_TRUE (expected.counted > 100 / slice && ! expected.boos.empty()) << expected.counted;
        for (const auto& blocks : { std::vector<int> { 512 }, { 64 }, { 2048 }, { 100, 1000, 7, 333 } })
        {
            KeysteadProcessor engine;
            engine.metronomeMode = 1;
            engine.tempo = tempo;
            engine.subdivisor = sub;
            const auto out = perform (engine, 1, notes, notes.back().at + 2 * model.B, blocks);
            SCOPED_TRACE (testing::Message() << "tempo " << tempo << " blocks " << blocks[0]);
            EXPECT_EQ (out.tied(), expected.tied());
            EXPECT_EQ (std::make_pair (out.allocations, engine.s1List.reference.value),
                       std::make_pair (size_t (0), model.reference));
            EXPECT_EQ (valuesOf (engine.s1List.values), valuesOf (model.list.entries));
        }
    }
}

// Chords as played at the default limits: a lone note, a chord across a block boundary, three
// notes' spread, a spread that reaches the no-chord limit, a neighbouring key forgiven, and two
// chords closed in one block, judged latest first (the bad one's boo before the middling one's).
TEST (Judging, ChordsAreGroupedJudgedAndForgivenAsPlayed)
{
    const struct { const char* name; juce::int64 from; std::vector<std::pair<int, int>> msAndNotes;
                   Outcome expected; int block = 512; } rows[] = {
        { "lone note", 1000, { { 0, 60 } }, {} },
        { "across blocks", 500, { { 0, 60 }, { 1, 64 } }, { 1, 0, 1.0f, 1.0f, {} } },  // judged once
        { "three notes", 1000, { { 0, 60 }, { 10, 64 }, { 40, 67 } }, { 1, 0, 35.0f, 35.0f, {} } },
        { "spread 87 ms", 1000, { { 0, 60 }, { 84, 64 }, { 90, 67 } }, {} },  // (84 + 90) / 2, every gap below
        { "C#4 forgiven", 1000, { { 0, 60 }, { 50, 61 } }, {} },
        { "without F4", 1000, { { 0, 60 }, { 5, 64 }, { 60, 65 } }, { 1, 0, 5.0f, 5.0f, {} } },
        { "latest first", 1000, { { 0, 60 }, { 50, 64 }, { 250, 60 }, { 320, 64 } },
          { 2, 2, 120.0f, 70.0f, { false, true } }, 24000 },
    };
    for (const auto& row : rows)
    {
        std::vector<TimedNote> notes;
        for (auto [ms, note] : row.msAndNotes)
            notes.push_back ({ row.from + ms * samplesPerMs, note });
        KeysteadProcessor engine;
        EXPECT_EQ (perform (engine, 0, notes, notes.back().at + 48000, { row.block }).tied(), row.expected.tied())
            << row.name;
    }
}

// Spreads one sample each side of every line (in samples at 48 kHz), against the rules worked out
// in double precision: 176 strip pixels stand for 150 ms, the middling line lies halfway between the
// limits but never more than 25 ms above good. At 29 and 176 pixels it is 25 ms above good.
TEST (Judging, ChordVerdictsEachSideOfTheLinesMatchTheRulesWorkedOutIndependently)
{
    const struct { const char* name; int good, noChord; std::vector<int> spreads; } rows[] = {
        { "defaults", 50, 100, { 2045, 2046, 3068, 3069, 4090, 4091 } },
        { "wide", 29, 176, { 1186, 1187, 2386, 2387, 7198 } } };
    for (const auto& row : rows)
        for (int spread : row.spreads)
        {
            const double good = row.good * 0.150 / 176.0, noChord = row.noChord * 0.150 / 176.0, s = spread / 48000.0;
            const double middling = std::min ((good + noChord) / 2.0, good + 0.025);
            const int verdict = s >= noChord ? -1 : s > middling ? 2 : s > good ? 1 : 0;  // -1: none
            KeysteadProcessor engine;
            engine.goodNoMetronome = row.good;
            engine.noChordNoMetronome = row.noChord;
            const auto out = perform (engine, 0, { { 1000, 60 }, { 1000 + spread, 64 } }, 48000);
            EXPECT_EQ (std::tie (out.counted, out.worst, out.boos), std::make_tuple (verdict < 0 ? 0 : 1,
                       std::max (verdict, 0), verdict < 1 ? std::vector<bool> {} : std::vector<bool> { verdict == 1 }))
                << row.name << ", spread " << spread;
        }

    // Nine notes 20 ms apart, the last 10 ms after the eighth: spread 85 ms, but 150 ms long, too long for a chord.
    KeysteadProcessor engine;
    EXPECT_EQ (perform (engine, 0, { { 1000, 40 }, { 1960, 43 }, { 2920, 46 }, { 3880, 49 }, { 4840, 52 }, { 5800, 55 },
                                     { 6760, 58 }, { 7720, 61 }, { 8200, 64 } }, 48000).counted, 0);
}

namespace
{
    // The chord rules written out plainly at the default limits and 48000 Hz, on the whole
    // performance at once: runs of notes each closer than the no-chord limit to the next.
    Outcome chordModel (const std::vector<TimedNote>& notes)
    {
        const float k = 1.0f / 176000.0f, good = (float) (50 * 150) * k, noChord = (float) (100 * 150) * k;
        const float goodS = good * 48000.0f, noChordS = noChord * 48000.0f;
        const float midS = std::min ((good + noChord) * 0.5f, good + 0.025f) * 48000.0f;
        auto spread = [] (std::vector<TimedNote> c)  // in time order
        {
            juce::int64 gap = 0;
            for (size_t i = 1; i < c.size(); ++i)
                gap = std::max (gap, c[i].at - c[i - 1].at);
            const auto span = c.back().at - c.front().at;
            return c.size() < 2 ? -1 : (int) (c.size() == 2 ? span : (gap + span) / 2);
        };
        Outcome out;
        for (size_t from = 0, to = 1; from < notes.size(); from = to++)
        {
            while (to < notes.size() && noChordS > (float) (notes[to].at - notes[to - 1].at))
                ++to;
            const std::vector<TimedNote> chord (&notes[from], &notes[from] + (to - from));
            if (chord.size() < 2 || chord.back().at - chord.front().at >= 7200)
                continue;
            int s = spread (chord);
            const bool forgiving = goodS <= (float) s && (float) s < noChordS;
            for (size_t i = 0; forgiving && i < chord.size(); ++i)
                if (std::any_of (chord.begin(), chord.end(), [&] (auto& o) { return neighbours (o, chord[i]); }))
                {
                    auto without = chord;
                    without.erase (without.begin() + (std::ptrdiff_t) i);
                    s = std::min (s, spread (without));
                }
            const float a = (float) std::abs (s), ms = (float) s * 1000.0f / 48000.0f;
            if (s == -1 || ! (noChordS > a))
                continue;
            out.sumMs += ms;
            out.maxMs = std::max (out.maxMs, ms);
            ++out.counted;
            if (a > goodS)
                out.boos.push_back (a <= midS);
            out.worst = std::max (out.worst, a > midS ? 2 : a > goodS ? 1 : 0);
        }
        return out;
    }
}

// Chains of notes far longer than a chord, between chords, lone notes and pauses near the no-chord
// limit: the engine keeps only a few notes of a chain it can no longer judge, without allocating,
// and judges what the rules judge at any block size.
TEST (Judging, ChordModeDropsEndlessChainsAndJudgesTheChordsAroundThemAsTheRulesSay)
{
    std::mt19937 random (31);
    std::vector<TimedNote> notes;
    juce::int64 at = 1000;
    for (int group = 0; group < 300 / slice; ++group)
    {
        const bool chain = random() % 3 == 0;
        const int count = chain ? 2 + (int) (random() % 400) : 1 + (int) (random() % 4);
        for (int i = 0; i < count; ++i, at += (juce::int64) (random() % (unsigned) ((chain ? 80 : 40) * samplesPerMs)))
            notes.push_back ({ at, 56 + (int) (random() % 12) });
        at += (juce::int64) ((random() % 2 == 0 ? 80 + random() % 20 : 100 + random() % 500) * samplesPerMs);
    }
    // Chords closed in one block are judged latest first: the boos' order and the sum's last bits may differ.
    auto unordered = [] (Outcome o) { std::sort (o.boos.begin(), o.boos.end()); o.sumMs = std::round (o.sumMs);
                                      return o; };
    const auto expected = unordered (chordModel (notes));
    ASSERT_GT (expected.counted, 100 / slice);
    for (const auto& blocks : { std::vector<int> { 512 }, { 64 }, { 4096 }, { 100, 1000, 7, 333 } })
    {
        KeysteadProcessor engine;
        const auto out = perform (engine, 0, notes, notes.back().at + 48000, blocks);
        EXPECT_EQ (unordered (out).tied(), expected.tied()) << "blocks " << blocks[0];
        EXPECT_TRUE (out.longestTail < 40 && out.allocations == 0) << blocks[0] << ", " << out.allocations;
    }
}
