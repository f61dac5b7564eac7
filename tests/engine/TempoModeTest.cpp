#include <gtest/gtest.h>

#include <random>

#include "EngineTestSupport.h"

using namespace enginetest;

namespace
{
    constexpr juce::int64 beat = 24000;  // 120 beats per minute at 48000 Hz

    /** A running tempo-mode engine whose reference sits exactly on the beat: three notes on
        beats 1 to 3 (the last two are counted, each 0 ms off). */
    struct TempoScene
    {
        explicit TempoScene (int metronome = 1)
        {
            engine.tempoMode = 1;
            engine.metronomeMode = metronome;
            engine.SetIsRunning (true);
        }

        /** Plays the seed notes and then `notes` (times from beat 5), until beat 7. */
        void play (std::vector<TimedNote> notes, const std::function<void (juce::int64, int)>& afterBlock = {})
        {
            std::vector<TimedNote> all { { beat, 60 }, { 2 * beat, 60 }, { 3 * beat, 60 } };
            for (auto n : notes)
                all.push_back ({ 5 * beat + n.at, n.noteNumber });
            std::sort (all.begin(), all.end(), [] (auto& a, auto& b) { return a.at < b.at; });

            perform (harness, all, 7 * beat, { 512 }, [&] (juce::int64 start, int n)
            {
                for (bool attenuated : booRequestsOfLastBlock (engine, n))
                    boos.push_back (attenuated);
                if (afterBlock)
                    afterBlock (start, n);
            });
        }

        bool listHolds (float phase) const
        {
            return std::any_of (engine.s1List.values.begin(), engine.s1List.values.end(),
                                [phase] (auto& e) { return e.value == phase; });
        }

        KeysteadProcessor engine;
        ProcessorHarness harness { engine };
        std::vector<bool> boos;
    };

    float phaseOfOffset (juce::int64 offset) { return (float) ((offset % beat + beat) % beat) / (float) beat; }

    float msAt120 (float distance) { return (float) ((double) (distance * 60000.0f) / (1.0 * 120.0)); }
}

TEST (TempoMode, TheFirstTwoNotesMakeTheReference)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    engine.tempoMode = 1;
    engine.metronomeMode = 1;
    engine.SetIsRunning (true);

    perform (harness, { { 2 * beat, 60 }, { 3 * beat + 20 * samplesPerMs, 62 } }, 4 * beat);

    // Both count as good (there was no reference for either when it was judged).
    EXPECT_EQ (engine.nbEvaluated.load(), 1);
    EXPECT_EQ (engine.worstState.load(), 0);
    EXPECT_EQ (engine.s1List.values.size(), 2u);
    EXPECT_EQ (engine.s1List.reference.value, (960.0f / 24000.0f) / 2.0f);
    EXPECT_TRUE (engine.playRequests[KeysteadProcessor::booSound].empty());
}

TEST (TempoMode, VerdictsFollowTheGoodAndVeryBadMargins)
{
    struct Case { int ms; int counted; int worst; std::vector<bool> boos; };
    const Case cases[] = {
        { 30, 1, 0, {} },
        { -30, 1, 0, {} },
        { 50, 1, 1, { true } },
        { -50, 1, 1, { true } },
        { 70, 1, 2, { false } },
        { -70, 1, 2, { false } },
        { 90, 0, 0, {} },   // beyond the no-chord limit: dropped, but its dot stays
    };

    for (const auto& c : cases)
    {
        TempoScene scene;
        const juce::int64 offset = c.ms * samplesPerMs;
        scene.play ({ { offset, 64 } });

        EXPECT_EQ (scene.engine.nbEvaluated.load(), 2 + c.counted) << c.ms;
        EXPECT_EQ (scene.engine.worstState.load(), c.worst) << c.ms;
        EXPECT_EQ (scene.boos, c.boos) << c.ms;
        EXPECT_TRUE (scene.listHolds (phaseOfOffset (offset))) << c.ms;

        const float expectedMs = c.counted ? msAt120 (std::min (phaseOfOffset (offset), 1.0f - phaseOfOffset (offset))) : 0.0f;
        EXPECT_EQ (scene.engine.sumErrorMs.load(), expectedMs) << c.ms;
        EXPECT_EQ (scene.engine.maxErrorMs.load(), expectedMs) << c.ms;
        EXPECT_NEAR (scene.engine.sumErrorMs.load(), (float) (c.counted * std::abs (c.ms)), 0.01f);
    }
}

TEST (TempoMode, AGroupClosesAtTheFirstBlockEndingHalfAnIntervalAfterIt)
{
    TempoScene scene;
    juce::int64 closedInBlockEnding = -1;
    scene.play ({ { 0, 60 }, { 100, 64 }, { 200, 67 } }, [&] (juce::int64 start, int n)
    {
        if (closedInBlockEnding < 0 && scene.engine.nbEvaluated.load() == 5)
            closedInBlockEnding = start + n;
    });

    // The latest note at 5 beats + 200; 250 ms (12000 samples) later is 132200: the first block
    // end beyond it is 259 x 512.
    EXPECT_EQ (closedInBlockEnding, 259 * 512);
    EXPECT_TRUE (scene.boos.empty());
}

TEST (TempoMode, ANeighbouringKeyBesideAGoodNoteIsForgiven)
{
    TempoScene forgiven;
    forgiven.play ({ { 0, 60 }, { 50 * samplesPerMs, 61 } });  // C4 good, C#4 bad
    EXPECT_TRUE (forgiven.boos.empty());
    EXPECT_EQ (forgiven.engine.nbEvaluated.load(), 3);
    EXPECT_EQ (forgiven.engine.worstState.load(), 0);
    EXPECT_FALSE (forgiven.listHolds (phaseOfOffset (50 * samplesPerMs)));

    TempoScene kept;
    kept.play ({ { 0, 60 }, { 50 * samplesPerMs, 64 } });  // C4 good, E4 bad
    EXPECT_EQ (kept.boos, std::vector<bool> { true });
    EXPECT_EQ (kept.engine.nbEvaluated.load(), 4);
    EXPECT_TRUE (kept.listHolds (phaseOfOffset (50 * samplesPerMs)));

    TempoScene twoBad;
    twoBad.play ({ { 50 * samplesPerMs, 70 }, { 52 * samplesPerMs, 50 } });
    EXPECT_EQ (twoBad.boos, std::vector<bool> { true });  // one request for the whole group
    EXPECT_EQ (twoBad.engine.nbEvaluated.load(), 4);
}

TEST (TempoMode, TheTempoFollowsLateOrEarlyGroupsWhenTheMetronomeIsOff)
{
    const float late = 960.0f / 24000.0f;
    const float early = 1.0f - (24000.0f - 960.0f) / 24000.0f;

    struct Case { int metronome; std::vector<juce::int64> offsets; double tempo; };
    const Case cases[] = {
        { 0, { 960, 1200 }, 120.0 / (double) (1.0f + 0.5f * late) },
        { 0, { -960, -1200 }, 120.0 / (double) (1.0f - 0.5f * early) },
        { 0, { -960, 960 }, 120.0 },
        { 0, { 0, 0 }, 120.0 },   // on the reference: late by nothing
        { 1, { 960, 1200 }, 120.0 },
    };

    for (const auto& c : cases)
    {
        TempoScene scene (c.metronome);
        std::vector<TimedNote> notes;
        for (auto offset : c.offsets)
            notes.push_back ({ offset, 60 + (int) notes.size() * 4 });
        scene.play (notes);
        EXPECT_EQ (scene.engine.tempo.load(), c.tempo);
    }

    EXPECT_NEAR (120.0 / (double) (1.0f + 0.5f * late), 117.647, 0.001);
    EXPECT_NEAR (120.0 / (double) (1.0f - 0.5f * early), 122.449, 0.001);
}

TEST (TempoMode, TheFollowKeepsTheTempoWithinTheSlidersRange)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    engine.tempoMode = 1;
    engine.tempo = 249.0;
    engine.SetIsRunning (true);

    // Always a little early against the player's own reference: the metronome keeps speeding up.
    std::vector<TimedNote> notes;
    for (juce::int64 t = 0; t < 48000 * 60; t += 11000)
        notes.push_back ({ t, 60 });
    perform (harness, notes, 48000 * 61);

    EXPECT_LE (engine.tempo.load(), KeysteadProcessor::maximumTempo);
    EXPECT_GE (engine.tempo.load(), KeysteadProcessor::minimumTempo);
}

//==============================================================================
namespace
{
    /** The tempo-mode rules written out plainly for a fixed tempo (metronome switch on), on
        absolute sample times: an independent computation to compare the engine with. */
    struct TempoModel
    {
        TempoModel (double tempoToUse, int notesPerBeat) : tempo (tempoToUse), sub (notesPerBeat) {}

        struct Entry { float value; int age; };
        struct Pending { TimedNote note; bool veryBad; };

        float phase (juce::int64 t) const
        {
            float p = (float) sub * (float) (t % B) / (float) B;
            while (p >= 1.0f) p -= 1.0f;
            return p;
        }

        static float distance (float p, float r)
        {
            float e = p - r;
            if (e < 0.0f) e += 1.0f;
            return e <= 0.5f ? e : 1.0f - e;
        }

        std::vector<float> values() const
        {
            std::vector<float> v;
            for (auto& e : list) v.push_back (e.value);
            return v;
        }

        void insert (float p)
        {
            ++age;
            list.erase (std::remove_if (list.begin(), list.end(), [this] (auto& e) { return age - e.age >= 201; }), list.end());
            size_t at = list.size();
            if (list.size() >= 2)
                for (size_t i = 0; i + 1 < list.size(); ++i)
                    if (fwd (list[i].value, p) <= fwd (list[i].value, list[i + 1].value)) { at = i + 1; break; }
            list.insert (list.begin() + (std::ptrdiff_t) at, { p, age });
        }

        void erase (float p)
        {
            const auto equal = std::count_if (list.begin(), list.end(), [p] (auto& e) { return e.value == p; });
            if (equal == 0 || equal == (long) list.size())
                return;
            auto newest = list.end();
            for (auto it = list.begin(); it != list.end(); ++it)
                if (it->value == p && (newest == list.end() || it->age > newest->age))
                    newest = it;
            list.erase (newest);
        }

        void close()
        {
            if (! bad.empty() && ! good.empty())
            {
                std::vector<Pending> kept;
                for (auto& b : bad)
                {
                    const bool neighbour = std::any_of (good.begin(), good.end(), [&] (auto& g)
                        { const int a = std::abs (g.note.noteNumber - b.note.noteNumber); return a == 1 || a == 2; });
                    if (neighbour) erase (phase (b.note.at)); else kept.push_back (b);
                }
                bad = kept;
            }

            if (! bad.empty())
            {
                const bool veryBad = std::any_of (bad.begin(), bad.end(), [] (auto& b) { return b.veryBad; });
                if (veryBad) worst = 2; else if (worst == 0) worst = 1;
                boos.push_back (! veryBad);
            }

            if (reference != -1.0f)
            {
                for (auto* group : { &good, &bad })
                    for (auto& n : *group)
                    {
                        const float ms = (float) ((double) (distance (phase (n.note.at), reference) * 60000.0f) / ((double) sub * tempo));
                        sum += ms;
                        max = std::max (max, ms);
                        ++count;
                    }
            }

            good.clear();
            bad.clear();
            reference = bruteForceReference (values(), 30.0f);
        }

        void run (const std::vector<TimedNote>& notes)
        {
            const float H = (float) B / (float) (2 * sub);
            const float g = 30.0f * (1.0f / 360.0f), c = 60.0f * (1.0f / 360.0f);
            const float m = std::min ((float) sub * ((float) tempo * 0.15f), 44.95f) * (1.0f / 360.0f);

            for (auto& n : notes)
            {
                if (! good.empty() || ! bad.empty())
                {
                    juce::int64 latest = std::numeric_limits<juce::int64>::min();
                    if (! good.empty()) latest = good.back().note.at;
                    if (! bad.empty()) latest = std::max (latest, bad.back().note.at);
                    if ((float) (n.at - latest) > H) close();
                }

                const float p = phase (n.at);
                const float r = reference;
                insert (p);

                if (r == -1.0f) { good.push_back ({ n, false }); reference = bruteForceReference (values(), 30.0f); continue; }

                const float d = distance (p, r);
                if (d >= c) close();
                else if (d >= g) bad.push_back ({ n, d > g + m });
                else good.push_back ({ n, false });
            }

            if (! good.empty() || ! bad.empty())
                close();
        }

        const double tempo;
        const int sub;
        const int B = (int) (48000.0 * 60.0 / tempo);
        std::vector<Entry> list;
        int age = 0;
        float reference = -1.0f;
        std::vector<Pending> good, bad;
        std::vector<bool> boos;
        int worst = 0, count = 0;
        float sum = 0.0f, max = 0.0f;
    };

    std::vector<TimedNote> randomTempoPerformance (std::mt19937& random, int B, int sub, int groups)
    {
        std::vector<TimedNote> notes;
        const double interval = (double) B / sub;
        std::normal_distribution<double> jitter (0.0, interval * 0.06);
        for (int k = 4; k < groups + 4; ++k)
        {
            if (random() % 7 == 0)
                continue;
            juce::int64 at = (juce::int64) (k * interval + jitter (random)) + (random() % 13 == 0 ? (juce::int64) (interval * 0.2) : 0);
            const int chord = 1 + (int) (random() % 3);
            for (int i = 0; i < chord; ++i)
            {
                notes.push_back ({ at, 56 + (int) (random() % 12) });
                at += (juce::int64) (random() % 200);
            }
        }
        std::sort (notes.begin(), notes.end(), [] (auto& a, auto& b) { return a.at < b.at; });
        return notes;
    }
}

TEST (TempoMode, StatisticsMatchAnIndependentComputationBitForBitAtAnyBlockSize)
{
    std::mt19937 random (2024);
    const std::pair<double, int> settings[] = { { 120.0, 1 }, { 97.0, 2 }, { 143.0, 3 }, { 60.0, 4 }, { 200.0, 1 } };

    for (const auto& [tempo, sub] : settings)
    {
        TempoModel model (tempo, sub);
        const auto notes = randomTempoPerformance (random, model.B, sub, 300);
        model.run (notes);
        ASSERT_GT (model.count, 100);
        ASSERT_FALSE (model.boos.empty());

        for (const auto& blocks : { std::vector<int> { 64 }, std::vector<int> { 512 }, std::vector<int> { 2048 }, std::vector<int> { 100, 1000, 7, 333 } })
        {
            KeysteadProcessor engine;
            ProcessorHarness harness (engine);
            engine.tempoMode = 1;
            engine.metronomeMode = 1;
            engine.tempo = tempo;
            engine.subdivisor = sub;
            engine.SetIsRunning (true);

            std::vector<bool> boos;
            perform (harness, notes, notes.back().at + 2 * model.B, blocks, [&] (juce::int64, int n)
            {
                for (bool b : booRequestsOfLastBlock (engine, n))
                    boos.push_back (b);
            });

            SCOPED_TRACE (testing::Message() << "tempo " << tempo << " blocks " << blocks[0]);
            EXPECT_EQ (engine.nbEvaluated.load(), model.count);
            EXPECT_EQ (engine.sumErrorMs.load(), model.sum);
            EXPECT_EQ (engine.maxErrorMs.load(), model.max);
            EXPECT_EQ (engine.worstState.load(), model.worst);
            EXPECT_EQ (boos, model.boos);
            EXPECT_EQ (engine.s1List.reference.value, model.reference);

            std::vector<float> values;
            for (auto& e : engine.s1List.values) values.push_back (e.value);
            EXPECT_EQ (values, model.values());
        }
    }
}
