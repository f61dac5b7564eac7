#include <gtest/gtest.h>

#include <random>

#include "engine/KeysteadProcessor.h"
#include "EngineTestSupport.h"

using enginetest::bruteForceReference;

namespace
{
    using List = KeysteadProcessor::OrderedS1ValueListWithReference;

    struct ListWithWindow
    {
        explicit ListWithWindow (float degrees = 30.0f) : window (degrees), list (&window) {}

        std::vector<float> values() const
        {
            std::vector<float> v;
            for (const auto& e : list.values)
                v.push_back (e.value);
            return v;
        }

        RelaxedAtomic<float> window;
        List list;
    };

    /** Walking the values once round (last back to first) steps down at most once. */
    bool isInCircularOrder (const std::vector<float>& v)
    {
        int descents = 0;
        for (size_t i = 0; i < v.size(); ++i)
            if (v[(i + 1) % v.size()] < v[i])
                ++descents;
        return descents <= 1;
    }
}

TEST (RecentPhaseList, InsertsIntoTheGapWhoseArcHoldsThePhase)
{
    ListWithWindow l;
    for (float p : { 0.5f, 0.2f, 0.3f, 0.9f })
        l.list.InsertValue (p, 0.7f);

    EXPECT_EQ (l.values(), (std::vector<float> { 0.5f, 0.9f, 0.2f, 0.3f }));
    EXPECT_EQ (l.list.values[1].age, 4);
    EXPECT_EQ (l.list.values[1].radius, 0.7f);

    // An equal value goes right after its twin (the end of the arc is included).
    l.list.InsertValue (0.2f, 0.6f);
    EXPECT_EQ (l.values(), (std::vector<float> { 0.5f, 0.9f, 0.2f, 0.2f, 0.3f }));
}

TEST (RecentPhaseList, KeepsTheNewest201AndFoldsTheAgeCounter)
{
    ListWithWindow l;
    for (int i = 1; i <= 201; ++i)
        l.list.InsertValue ((float) i / 1000.0f, 0.5f);
    EXPECT_EQ (l.list.values.size(), 201u);

    l.list.InsertValue (0.5f, 0.5f);  // the 202nd drops the entry of age 1
    ASSERT_EQ (l.list.values.size(), 201u);
    int lowest = 1000, highest = 0;
    for (const auto& e : l.list.values)
    {
        lowest = std::min (lowest, e.age);
        highest = std::max (highest, e.age);
    }
    EXPECT_EQ (lowest, 2);
    EXPECT_EQ (highest, 202);

    for (int i = 203; i <= 511; ++i)
        l.list.InsertValue (0.5f, 0.5f);
    EXPECT_EQ (l.list.ageCounter, 511);

    l.list.InsertValue (0.25f, 0.5f);  // the 512th
    EXPECT_EQ (l.list.ageCounter, 256);
    EXPECT_EQ (l.list.values.size(), 201u);
    for (const auto& e : l.list.values)
    {
        EXPECT_LE (l.list.ageCounter - e.age, 200);
        EXPECT_GE (l.list.ageCounter - e.age, 0);
    }
}

TEST (RecentPhaseList, EraseRemovesTheNewestOfEqualValuesOnly)
{
    ListWithWindow l;
    l.list.values = { { 0.3f, 40, 0.5f }, { 0.3f, 41, 0.5f }, { 0.6f, 10, 0.5f }, { 0.1f, 12, 0.5f } };
    l.list.EraseValue (0.3f);
    ASSERT_EQ (l.list.values.size(), 3u);
    EXPECT_EQ (l.list.values[0].age, 40);

    l.list.EraseValue (0.4f);  // held by no entry
    EXPECT_EQ (l.list.values.size(), 3u);

    // A run that wraps round the end of the vector: the newest is found across the wrap.
    l.list.values = { { 0.9f, 7, 0.5f }, { 0.2f, 3, 0.5f }, { 0.9f, 5, 0.5f } };
    l.list.EraseValue (0.9f);
    ASSERT_EQ (l.list.values.size(), 2u);
    EXPECT_EQ (l.list.values[0].value, 0.2f);
    EXPECT_EQ (l.list.values[1].age, 5);

    l.list.values = { { 0.9f, 7, 0.5f }, { 0.9f, 8, 0.5f } };  // every entry holds it
    l.list.EraseValue (0.9f);
    EXPECT_EQ (l.list.values.size(), 2u);

    l.list.values.clear();
    l.list.EraseValue (0.9f);
    EXPECT_TRUE (l.list.values.empty());
}

TEST (RecentPhaseList, ReferenceIsTheMeanOfTheDensestWindow)
{
    auto referenceOf = [] (std::vector<float> phases, float degrees = 30.0f)
    {
        ListWithWindow l (degrees);
        for (float p : phases)
            l.list.InsertValue (p, 0.5f);
        l.list.UpdateReference();
        return l.list.reference;
    };

    EXPECT_EQ (referenceOf ({ 0.4f }).value, -1.0f);
    EXPECT_EQ (referenceOf ({ 0.1f, 0.3f }).value, -1.0f);
    EXPECT_FLOAT_EQ (referenceOf ({ 0.95f, 0.02f }).value, 0.985f);
    EXPECT_NEAR (referenceOf ({ 0.98f, 0.05f }).value, 0.015f, 1.0e-6f);
    EXPECT_FLOAT_EQ (referenceOf ({ 0.10f, 0.12f, 0.50f, 0.51f }).value, 0.505f);
    EXPECT_EQ (referenceOf ({ 0.95f, 0.02f }).age, 0);

    // The window follows the engine's good limit through the pointer.
    EXPECT_FLOAT_EQ (referenceOf ({ 0.1f, 0.3f }, 80.0f).value, 0.2f);
}

TEST (RecentPhaseList, RandomInsertsAndErasesKeepTheInvariants)
{
    std::mt19937 random (1234);
    std::uniform_real_distribution<float> phase (0.0f, 1.0f);
    ListWithWindow l;
    std::vector<float> inserted;

    for (int step = 0; step < 6000; ++step)
    {
        if (random() % 4 != 0 || inserted.empty())
        {
            // Few distinct values, so equal runs are common.
            const float p = (random() % 3 == 0) ? (float) (random() % 20) / 20.0f : phase (random);
            l.list.InsertValue (p, 0.5f);
            inserted.push_back (p);
        }
        else
        {
            const auto before = l.list.values.size();
            l.list.EraseValue (inserted[random() % inserted.size()]);
            ASSERT_LE (before - l.list.values.size(), 1u);
        }

        const auto v = l.values();
        ASSERT_LE (v.size(), 201u);
        ASSERT_TRUE (isInCircularOrder (v)) << "step " << step;
        ASSERT_GE (l.list.ageCounter, 1);
        ASSERT_LE (l.list.ageCounter, 511);
        for (const auto& e : l.list.values)
        {
            ASSERT_GE (l.list.ageCounter - e.age, 0);
            ASSERT_LE (l.list.ageCounter - e.age, 200);
        }
    }
}

TEST (RecentPhaseList, ReferenceMatchesTheEntryByEntryRuleOnRandomLists)
{
    std::mt19937 random (99);
    const float windows[] = { 30.0f, 5.0f, 0.0f, -10.0f, 120.0f, 360.0f, 400.0f, 0.001f };

    for (int trial = 0; trial < 4000; ++trial)
    {
        const float degrees = windows[trial % 8];
        ListWithWindow l (degrees);

        const int n = (int) (random() % 40) + (trial % 5 == 0 ? 150 : 0);
        const float centre = (float) (random() % 1000) / 1000.0f;
        for (int i = 0; i < n; ++i)
        {
            float p;
            switch (random() % 4)
            {
                case 0:  p = (float) (random() % 8) / 8.0f; break;  // repeated values
                case 1:  p = (float) (random() % 1000000) / 1000000.0f; break;
                case 2:  p = 1.0f - (float) (random() % 4) * 1.0e-7f; break;  // just below 1
                default: p = centre + (float) ((int) (random() % 2001) - 1000) / 20000.0f; break;  // a cluster
            }
            p = p - std::floor (p);
            if (p >= 1.0f) p = 0.0f;
            l.list.InsertValue (p, 0.5f);
        }

        l.list.UpdateReference();
        ASSERT_EQ (l.list.reference.value, bruteForceReference (l.values(), degrees))
            << "trial " << trial << " n " << n << " window " << degrees;
    }
}

TEST (RecentPhaseList, ResetKeepsTheAgeCountGoing)
{
    KeysteadProcessor engine;
    engine.setRateAndBufferSizeDetails (48000.0, 512);
    engine.s1List.InsertValue (0.1f, 0.5f);
    engine.s1List.InsertValue (0.2f, 0.5f);
    engine.ResetLists();
    juce::AudioBuffer<float> out (2, 512);
    juce::MidiBuffer midi;
    engine.processBlock (out, midi);
    engine.s1List.InsertValue (0.3f, 0.5f);
    ASSERT_EQ (engine.s1List.values.size(), 1u);
    EXPECT_EQ (engine.s1List.values[0].age, 3);
}
