#include <gtest/gtest.h>

#include <random>

#include "EngineTestSupport.h"

using namespace enginetest;

namespace
{
    struct ChordResult
    {
        int counted;
        float sumMs;
        float maxMs;
        int worst;
        std::vector<bool> boos;
    };

    ChordResult playChords (const std::vector<TimedNote>& notes, const std::vector<int>& blocks = { 512 })
    {
        KeysteadProcessor engine;
        ProcessorHarness harness (engine);
        engine.SetIsRunning (true);
        std::vector<bool> boos;
        perform (harness, notes, (notes.empty() ? 0 : notes.back().at) + 48000, blocks, [&] (juce::int64, int n)
        {
            for (bool b : booRequestsOfLastBlock (engine, n))
                boos.push_back (b);
        });
        return { engine.nbEvaluated.load(), engine.sumErrorMs.load(), engine.maxErrorMs.load(), engine.worstState.load(), boos };
    }

    std::vector<TimedNote> at (std::initializer_list<std::pair<int, int>> msAndNotes, juce::int64 from = 1000)
    {
        std::vector<TimedNote> notes;
        for (auto [ms, note] : msAndNotes)
            notes.push_back ({ from + ms * samplesPerMs, note });
        return notes;
    }
}

TEST (ChordMode, TwoNoteChordsAreJudgedBySpread)
{
    auto good = playChords (at ({ { 0, 60 }, { 20, 64 } }));
    EXPECT_EQ (good.counted, 1);
    EXPECT_EQ (good.sumMs, 20.0f);
    EXPECT_EQ (good.maxMs, 20.0f);
    EXPECT_EQ (good.worst, 0);
    EXPECT_TRUE (good.boos.empty());

    auto middling = playChords (at ({ { 0, 60 }, { 50, 64 } }));
    EXPECT_EQ (middling.counted, 1);
    EXPECT_EQ (middling.worst, 1);
    EXPECT_EQ (middling.boos, std::vector<bool> { true });

    auto bad = playChords (at ({ { 0, 60 }, { 70, 64 } }));
    EXPECT_EQ (bad.worst, 2);
    EXPECT_EQ (bad.boos, std::vector<bool> { false });

    auto apart = playChords (at ({ { 0, 60 }, { 90, 64 } }));  // beyond the no-chord limit
    EXPECT_EQ (apart.counted, 0);
    EXPECT_TRUE (apart.boos.empty());

    auto single = playChords (at ({ { 0, 60 } }));
    EXPECT_EQ (single.counted, 0);
}

TEST (ChordMode, AChordAcrossABlockBoundaryIsJudgedOnce)
{
    // 500 and 530 straddle the first block's end; the chord closes blocks later.
    auto split = playChords ({ { 500, 60 }, { 530, 64 } });
    EXPECT_EQ (split.counted, 1);
    EXPECT_EQ (split.sumMs, 30.0f * 1000.0f / 48000.0f);
}

TEST (ChordMode, SpreadOfThreeNotesAndItsLimits)
{
    auto three = playChords (at ({ { 0, 60 }, { 10, 64 }, { 40, 67 } }));
    EXPECT_EQ (three.counted, 1);
    EXPECT_EQ (three.sumMs, 35.0f);

    // Every gap below the limit, but the spread (84 + 90) / 2 = 87 ms is not.
    auto wide = playChords (at ({ { 0, 60 }, { 84, 64 }, { 90, 67 } }));
    EXPECT_EQ (wide.counted, 0);
    EXPECT_TRUE (wide.boos.empty());

    // A chain of notes 60 ms apart spans far more than 150 ms: dropped without a verdict.
    std::vector<TimedNote> chain;
    for (int i = 0; i < 17; ++i)
        chain.push_back ({ 1000 + i * 60 * samplesPerMs, 48 + i * 3 });
    auto chained = playChords (chain);
    EXPECT_EQ (chained.counted, 0);
    EXPECT_TRUE (chained.boos.empty());
}

TEST (ChordMode, NeighbouringKeysAreForgiven)
{
    auto semitone = playChords (at ({ { 0, 60 }, { 50, 61 } }));
    EXPECT_EQ (semitone.counted, 0);
    EXPECT_TRUE (semitone.boos.empty());

    auto third = playChords (at ({ { 0, 60 }, { 50, 64 } }));
    EXPECT_EQ (third.counted, 1);

    // C4, E4, F4: the chord without F4 spreads only 5 ms.
    auto stray = playChords (at ({ { 0, 60 }, { 5, 64 }, { 60, 65 } }));
    EXPECT_EQ (stray.counted, 1);
    EXPECT_EQ (stray.sumMs, 5.0f);
    EXPECT_TRUE (stray.boos.empty());
}

TEST (ChordMode, StatisticsDoNotDependOnTheBlockSize)
{
    std::mt19937 random (31);
    std::vector<TimedNote> notes;
    juce::int64 t = 2000;
    for (int chord = 0; chord < 400; ++chord)
    {
        const int size = 1 + (int) (random() % 5);
        for (int i = 0; i < size; ++i)
        {
            notes.push_back ({ t, 48 + (int) (random() % 24) });
            t += (juce::int64) (random() % (30 * samplesPerMs));
        }
        t += 60 * samplesPerMs + (juce::int64) (random() % (400 * samplesPerMs));
    }

    const auto reference = playChords (notes, { 512 });
    EXPECT_GT (reference.counted, 200);
    EXPECT_GT (reference.worst, 0);

    for (const auto& blocks : { std::vector<int> { 64 }, std::vector<int> { 2048 }, std::vector<int> { 1, 4000, 129 } })
    {
        const auto other = playChords (notes, blocks);
        EXPECT_EQ (other.counted, reference.counted);
        EXPECT_EQ (other.sumMs, reference.sumMs);
        EXPECT_EQ (other.maxMs, reference.maxMs);
        EXPECT_EQ (other.worst, reference.worst);
        EXPECT_EQ (other.boos.size(), reference.boos.size());
    }
}
