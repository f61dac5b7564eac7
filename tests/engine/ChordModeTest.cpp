#include <gtest/gtest.h>

#include <random>

#include "EngineTestSupport.h"

using namespace enginetest;

TEST (ChordMode, ChordsAreGroupedJudgedAndForgivenAsPlayed)
{
    // A run of keys 60 ms apart: every gap is under the no-chord limit, the whole far over 150 ms.
    std::vector<std::pair<int, int>> chain;
    for (int i = 0; i < 17; ++i)
        chain.push_back ({ i * 60, 48 + i * 3 });

    struct Case { juce::int64 from; std::vector<std::pair<int, int>> msAndNotes; Outcome expected; int block = 512; };
    const Case cases[] = {
        { 1000, { { 0, 60 }, { 20, 64 } }, { 1, 0, 20.0f, 20.0f, {} } },
        { 1000, { { 0, 60 }, { 50, 64 } }, { 1, 1, 50.0f, 50.0f, { true } } },
        { 1000, { { 0, 60 }, { 70, 64 } }, { 1, 2, 70.0f, 70.0f, { false } } },
        { 1000, { { 0, 60 }, { 90, 64 } }, {} },                                  // beyond the no-chord limit
        { 1000, { { 0, 60 } }, {} },
        { 500, { { 0, 60 }, { 1, 64 } }, { 1, 0, 1.0f, 1.0f, {} } },             // across a block boundary: judged once
        { 1000, { { 0, 60 }, { 10, 64 }, { 40, 67 } }, { 1, 0, 35.0f, 35.0f, {} } },
        { 1000, { { 0, 60 }, { 84, 64 }, { 90, 67 } }, {} },                      // spread (84 + 90) / 2 = 87 ms
        { 1000, chain, {} },
        { 1000, { { 0, 60 }, { 50, 61 } }, {} },                                  // C#4 beside C4 is forgiven
        { 1000, { { 0, 60 }, { 5, 64 }, { 60, 65 } }, { 1, 0, 5.0f, 5.0f, {} } }, // without F4 the spread is 5 ms
        { 1000, { { 0, 60 }, { 50, 64 }, { 250, 60 }, { 320, 64 } }, { 2, 2, 120.0f, 70.0f, { false, true } }, 24000 },  // latest first
    };

    for (const auto& c : cases)
    {
        std::vector<TimedNote> notes;
        for (auto [ms, note] : c.msAndNotes)
            notes.push_back ({ c.from + ms * samplesPerMs, note });
        KeysteadProcessor engine;
        EXPECT_EQ (perform (engine, 0, notes, notes.back().at + 48000, { c.block }), c.expected)
            << "notes from " << c.from << ", the last at " << c.msAndNotes.back().first << " ms";
    }
}

TEST (ChordMode, StatisticsDoNotDependOnTheBlockSize)
{
    std::mt19937 random (31);
    std::vector<TimedNote> notes;
    juce::int64 t = 2000;
    for (int chord = 0; chord < 400; ++chord)
    {
        for (int i = 0, size = 1 + (int) (random() % 5); i < size; ++i, t += (juce::int64) (random() % (30 * samplesPerMs)))
            notes.push_back ({ t, 48 + (int) (random() % 24) });
        t += 60 * samplesPerMs + (juce::int64) (random() % (400 * samplesPerMs));
    }

    // Chords closed in the same block are judged latest first, so only the boos' count is fixed.
    auto unordered = [] (Outcome o) { const auto n = o.boos.size(); o.boos.assign ((size_t) std::count (o.boos.begin(), o.boos.end(), true), true); o.boos.resize (n, false); return o; };
    KeysteadProcessor first;
    const auto expected = unordered (perform (first, 0, notes, notes.back().at + 48000, { 512 }));
    EXPECT_GT (expected.counted, 200);
    EXPECT_GT (expected.worst, 0);

    for (const auto& blocks : { std::vector<int> { 64 }, std::vector<int> { 2048 }, std::vector<int> { 1, 4000, 129 } })
    {
        KeysteadProcessor engine;
        EXPECT_EQ (unordered (perform (engine, 0, notes, notes.back().at + 48000, blocks)), expected) << blocks[0];
    }
}
