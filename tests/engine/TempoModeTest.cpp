#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "EngineTestSupport.h"

using namespace enginetest;

TEST (TempoMode, ClicksStartOnTheBeatFromTheFirstBlockAfterStart)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    engine.tempoMode = 1;
    engine.SetIsRunning (true);
    const auto& click = engine.soundBuffers[KeysteadProcessor::clickSound];
    ASSERT_GT (click.getNumSamples(), 512);

    // The second click is due at 24000 = 46 x 512 + 448; the first has ended by then.
    for (int block = 0; block <= 46; ++block)
    {
        const auto& out = harness.processBlock();
        const int clickAt = block == 0 ? 0 : 448;
        for (int i = 0; block % 46 == 0 && i < 512; ++i)
            for (int c : { 0, 1 })
                ASSERT_EQ (out.getSample (c, i), i < clickAt ? 0.0f : click.getSample (0, i - clickAt)) << block << " " << i;
    }
}

TEST (TempoMode, AnyStoredTempoGivesAUsableBeat)
{
    // A settings file can hold anything; a beat of 0 samples would hang the beat clock.
    const std::pair<double, int> cases[] = { { 0.0, 96000 }, { -40.0, 96000 }, { std::nan (""), 24000 }, { 1.0e300, 11520 },
                                             { std::numeric_limits<double>::infinity(), 11520 }, { 119.5, 24100 } };
    for (auto [tempo, beatLength] : cases)
    {
        KeysteadProcessor engine;
        engine.tempo = tempo;
        engine.subdivisor = 0;
        perform (engine, 1, { { 100, 60 }, { 712, 60 } }, 4 * 512);
        const auto& clicks = engine.playRequests[KeysteadProcessor::clickSound];
        ASSERT_GE (clicks.size(), 2u) << tempo;
        EXPECT_EQ (clicks.back().startPosition - clicks[clicks.size() - 2].startPosition, beatLength) << tempo;
        for (const auto& e : engine.s1List.values)
            EXPECT_TRUE (e.value >= 0.0f && e.value < 1.0f) << tempo;
    }
}

TEST (TempoMode, VerdictMarginsForgivenessAndTempoFollow)
{
    // The follow moves the tempo by half the group's lateness: to 120 / 1.02 and 120 / 0.98 here.
    const double slower = 120.0 / (double) (1.0f + 0.5f * (960.0f / 24000.0f)), faster = 120.0 / (double) (1.0f - 0.5f * (1.0f - (24000.0f - 960.0f) / 24000.0f));
    struct Case { int metronome; std::vector<TimedNote> notes; int counted, worst; std::vector<bool> boos; float sumMs; double tempo; bool lastDrawn = true; };
    const Case cases[] = {
        { 1, { { 30, 64 } }, 3, 0, {}, 30, 120 },
        { 1, { { -30, 64 } }, 3, 0, {}, 30, 120 },
        { 1, { { 50, 64 } }, 3, 1, { true }, 50, 120 },
        { 1, { { -50, 64 } }, 3, 1, { true }, 50, 120 },
        { 1, { { 70, 64 } }, 3, 2, { false }, 70, 120 },
        { 1, { { -70, 64 } }, 3, 2, { false }, 70, 120 },
        { 1, { { 90, 64 } }, 2, 0, {}, 0, 120 },                        // beyond the no-chord limit: dropped, still drawn
        { 1, { { 0, 60 }, { 50, 61 } }, 3, 0, {}, 0, 120, false },      // C#4 beside a good C4 is forgiven and erased
        { 1, { { 0, 60 }, { 50, 64 } }, 4, 1, { true }, 50, 120 },      // E4 is not
        { 1, { { 50, 70 }, { 52, 50 } }, 4, 1, { true }, 102, 120 },    // one boo for the whole group
        { 0, { { 20, 60 }, { 25, 64 } }, 4, 0, {}, -1, slower },     // (no sum: measured at the new tempo)
        { 0, { { -25, 60 }, { -20, 64 } }, 4, 0, {}, -1, faster },
        { 0, { { -20, 60 }, { 20, 64 } }, 4, 0, {}, 40, 120 },
        { 0, { { 0, 60 }, { 0, 64 } }, 4, 0, {}, 0, 120 },
        { 1, { { 20, 60 }, { 25, 64 } }, 4, 0, {}, 45, 120 },
    };

    for (const auto& c : cases)
    {
        // Tempo mode at 120 with the reference exactly on the beat (notes on beats 1 to 3, the
        // last two counted at 0 ms), then the case's notes from beat 5 on.
        std::vector<TimedNote> notes { { beat, 60 }, { 2 * beat, 60 }, { 3 * beat, 60 } };
        for (auto n : c.notes)
            notes.push_back ({ 5 * beat + n.at * samplesPerMs, n.noteNumber });
        std::sort (notes.begin(), notes.end(), [] (auto& a, auto& b) { return a.at < b.at; });
        KeysteadProcessor engine;
        engine.metronomeMode = c.metronome;
        const auto out = perform (engine, 1, notes, 7 * beat);

        SCOPED_TRACE (testing::Message() << "metronome " << c.metronome << ", last note at " << c.notes.back().at << " ms");
        EXPECT_EQ (std::tie (out.counted, out.worst, out.boos), std::tie (c.counted, c.worst, c.boos));
        EXPECT_TRUE (c.sumMs < 0.0f || std::abs (out.sumMs - c.sumMs) < 0.01f) << out.sumMs;
        EXPECT_EQ (engine.tempo.load(), c.tempo);
        const float lastPhase = (float) ((c.notes.back().at * samplesPerMs + beat) % beat) / (float) beat;
        EXPECT_EQ (c.lastDrawn, std::any_of (engine.s1List.values.begin(), engine.s1List.values.end(), [&] (auto& e) { return e.value == lastPhase; }));
    }
}

//==============================================================================
namespace
{
    /** The tempo-mode rules written out plainly for a fixed tempo (metronome switch on), on
        absolute sample times: an independent computation to compare the engine with. */
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
            float p = (float) sub * (float) (t % B) / (float) B;
            while (p >= 1.0f) p -= 1.0f;
            return p;
        }

        static float distance (float p, float r) { const float e = forward (r, p); return e <= 0.5f ? e : 1.0f - e; }

        void close()
        {
            auto forgiven = [this] (auto& b) { return std::any_of (good.begin(), good.end(), [&] (auto& g) { const int a = std::abs (g.first.noteNumber - b.first.noteNumber); return a == 1 || a == 2; }); };
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

            for (auto* group : { &good, &bad })
                for (auto& n : *group)
                    if (reference != -1.0f)
                    {
                        const float ms = (float) ((double) (distance (phase (n.first.at), reference) * 60000.0f) / ((double) sub * tempo));
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
            auto latest = [] (auto& group) { return group.empty() ? std::numeric_limits<juce::int64>::min() : group.back().first.at; };

            for (auto& n : notes)
            {
                if ((! good.empty() || ! bad.empty()) && (float) (n.at - std::max (latest (good), latest (bad))) > half)
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

TEST (TempoMode, StatisticsMatchAnIndependentComputationBitForBitAtAnyBlockSize)
{
    std::mt19937 random (2024);
    const std::pair<double, int> settings[] = { { 120.0, 1 }, { 97.0, 2 }, { 143.0, 3 }, { 60.0, 4 }, { 200.0, 1 } };
    const std::vector<int> blockPatterns[] = { { 64 }, { 512 }, { 2048 }, { 100, 1000, 7, 333 } };

    for (const auto& [tempo, sub] : settings)
    {
        // Groups of one to three notes near each interval, some left out, some far off.
        TempoModel model { tempo, sub };
        const double interval = (double) model.B / sub;
        std::normal_distribution<double> jitter (0.0, interval * 0.06);
        std::vector<TimedNote> notes;
        for (int k = 4; k < 304; ++k)
        {
            if (random() % 7 == 0)
                continue;
            auto at = (juce::int64) (k * interval + jitter (random)) + (random() % 13 == 0 ? (juce::int64) (interval * 0.2) : 0);
            for (int i = 0, chord = 1 + (int) (random() % 3); i < chord; ++i, at += (juce::int64) (random() % 200))
                notes.push_back ({ at, 56 + (int) (random() % 12) });
        }
        std::sort (notes.begin(), notes.end(), [] (auto& a, auto& b) { return a.at < b.at; });

        const auto expected = model.run (notes);
        ASSERT_GT (expected.counted, 100);
        ASSERT_FALSE (expected.boos.empty());

        for (const auto& blocks : blockPatterns)
        {
            KeysteadProcessor engine;
            engine.metronomeMode = 1;
            engine.tempo = tempo;
            engine.subdivisor = sub;
            SCOPED_TRACE (testing::Message() << "tempo " << tempo << " blocks " << blocks[0]);
            EXPECT_EQ (perform (engine, 1, notes, notes.back().at + 2 * model.B, blocks), expected);
            EXPECT_EQ (engine.s1List.reference.value, model.reference);
            EXPECT_EQ (valuesOf (engine.s1List.values), valuesOf (model.list.entries));
        }
    }
}
