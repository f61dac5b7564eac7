#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "EngineTestSupport.h"

using namespace enginetest;

namespace
{
    void expectSoundState (const KeysteadProcessor& engine, int block)
    {
        const auto& values = engine.s1List.values;
        ASSERT_LE (values.size(), 201u) << block;
        int descents = 0;
        for (size_t i = 0; i < values.size(); ++i)
        {
            ASSERT_GE (values[i].value, 0.0f) << block;
            ASSERT_LT (values[i].value, 1.0f) << block;
            ASSERT_LE (engine.s1List.ageCounter - values[i].age, 200) << block;
            if (values[(i + 1) % values.size()].value < values[i].value)
                ++descents;
        }
        ASSERT_LE (descents, 1) << block;

        const float r = engine.s1List.reference.value;
        ASSERT_TRUE (r == -1.0f || (r >= 0.0f && r < 1.0f)) << block;
        ASSERT_GE (engine.nbEvaluated.load(), 0);
        ASSERT_TRUE (engine.worstState.load() >= 0 && engine.worstState.load() <= 2);
        ASSERT_FALSE (std::isnan (engine.sumErrorMs.load())) << block;
        for (const auto& requests : engine.playRequests)
            ASSERT_LT (requests.size(), 10000u) << block;
    }
}

TEST (EngineFuzz, RandomMidiBlockSizesAndSettingsNeverBreakTheEngine)
{
    std::mt19937 random (4242);
    auto pick = [&random] (auto first, auto... others)
    {
        const decltype (first) all[] = { first, static_cast<decltype (first)> (others)... };
        return all[random() % (1 + sizeof... (others))];
    };

    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    int mostEvaluated = 0;
    size_t mostPhases = 0;

    for (int block = 0; block < 20000; ++block)
    {
        switch (random() % 40)
        {
            case 0: engine.tempoMode = (int) (random() % 3); break;
            case 1: engine.metronomeMode = (int) (random() % 2); break;
            case 2: engine.tempo = pick (120.0, 0.0, -3.0, std::nan (""), 1.0e30, 31.5, 249.9, std::numeric_limits<double>::infinity()); break;
            case 3: engine.subdivisor = pick (1, 2, 3, 4, 0, -2, 9); break;
            case 4: engine.goodMetronome = pick (30.0f, 0.0f, -20.0f, 400.0f, std::nanf ("")); break;
            case 5: engine.noChordMetronome = pick (60.0f, 0.0f, -1.0f, 1000.0f, std::nanf ("")); break;
            case 6: engine.goodNoMetronome = pick (50, 0, -50, 176, std::numeric_limits<int>::max()); break;
            case 7: engine.noChordNoMetronome = pick (100, 0, -100, 500, std::numeric_limits<int>::min()); break;
            case 8: engine.SetIsRunning (random() % 4 != 0); break;
            case 9: engine.ResetLists(); break;
            case 10: engine.AskToPlayBuffer ((int) (random() % 4) - 1); break;
            case 11: engine.filterMidiRange = random() % 2 == 0; engine.lowestNote = (int) (random() % 128); break;
            default: break;
        }

        const int length = (int) pick (512u, 64u, 1u, 0u, 4096u, (unsigned) (random() % 3000u));
        const int events = (int) (random() % 24);
        for (int e = 0; e < events && length > 0; ++e)
        {
            const int position = (int) (random() % (unsigned) length);
            const int bytes = 1 + (int) (random() % 4);
            juce::uint8 data[4];
            for (auto& b : data)
                b = (juce::uint8) random();
            if (random() % 2 == 0)
                data[0] = (juce::uint8) (0x90 | (data[0] & 0x0F));
            harness.midi.addEvent (data, bytes, position);
        }

        harness.processBlock (length);
        expectSoundState (engine, block);
        mostEvaluated = std::max (mostEvaluated, engine.nbEvaluated.load());
        mostPhases = std::max (mostPhases, engine.s1List.values.size());

        if (engine.isRunning.load() && engine.tempoMode.load() != 0)
        {
            ASSERT_FALSE (engine.playRequests[KeysteadProcessor::clickSound].empty()) << block;
        }
    }

    // The random input did reach the judging of both modes.
    EXPECT_GT (mostEvaluated, 20);
    EXPECT_GT (mostPhases, 20u);
}
