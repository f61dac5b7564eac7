#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <random>
#include <thread>

#include "EngineTestSupport.h"
#include "support/AllocationCounter.h"

using namespace enginetest;

TEST (MidiInFilter, ChannelThenRangeAndMalformedEventsDropped)
{
    struct Case { bool byChannel; int channel; bool byRange; int lowest, highest; std::vector<juce::uint8> bytes; bool passes; };
    const Case cases[] = {
        { false, 1, false, 0, 127, { 0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7 }, true },
        { true, 1, false, 0, 127, { 0x90, 60, 100 }, true },
        { true, 1, false, 0, 127, { 0x91, 60, 100 }, false },
        { true, 1, false, 0, 127, { 0xF8 }, false },                    // system messages count as channel 0
        { true, 16, false, 0, 127, { 0xBF, 7, 100 }, true },
        { false, 1, true, 60, 72, { 0x90, 59, 100 }, false },
        { false, 1, true, 60, 72, { 0x90, 72, 100 }, true },
        { false, 1, true, 60, 72, { 0x80, 73, 0 }, false },             // a note-off outside too
        { false, 1, true, 60, 72, { 0xB0, 100, 1 }, true },             // only note messages are ranged
        { false, 1, true, 80, 40, { 0x90, 60, 100 }, false },           // an inverted range drops every note
        { false, 1, true, 80, 40, { 0xE0, 0, 64 }, true },
        { true, 2, true, 60, 72, { 0x91, 50, 100 }, false },
        { true, 2, true, 60, 72, { 0x90, 65, 100 }, false },
        { false, 1, false, 0, 127, { 0x90, 60 }, false },               // malformed, whatever the settings
        { false, 1, false, 0, 127, { 0x3C, 0x64, 0x10 }, false },
        { true, 1, true, 0, 127, { 0x90, 0xC8, 100 }, false },
    };

    for (const auto& c : cases)
    {
        KeysteadProcessor engine;
        engine.filterMidiChannel = c.byChannel;
        engine.midiChannel = c.channel;
        engine.filterMidiRange = c.byRange;
        engine.lowestNote = c.lowest;
        engine.highestNote = c.highest;
        juce::MidiBuffer buffer;
        buffer.addEvent (c.bytes.data(), (int) c.bytes.size(), 7);
        engine.FilterByMidiChannelAndNoteLimits (buffer);
        const bool kept = buffer.getNumEvents() == 1 && (*buffer.begin()).samplePosition == 7;
        EXPECT_EQ (kept, c.passes) << "bytes " << juce::String::toHexString (c.bytes.data(), (int) c.bytes.size());
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
            case 10: engine.AskToPlayBuffer ((int) (random() % 5) - 1); break;
            case 11: engine.filterMidiRange = random() % 2 == 0; engine.lowestNote = (int) (random() % 128); break;
            default: break;
        }

        const int length = (int) pick (512u, 64u, 1u, 0u, 4096u, (unsigned) (random() % 3000u));
        for (int e = 0, events = (int) (random() % 24); e < events && length > 0; ++e)
        {
            juce::uint8 data[4];
            for (auto& b : data)
                b = (juce::uint8) random();
            if (random() % 2 == 0)
                data[0] = (juce::uint8) (0x90 | (data[0] & 0x0F));
            harness.midi.addEvent (data, 1 + (int) (random() % 4), (int) (random() % (unsigned) length));
        }
        harness.processBlock (length);

        // The phases stay in circular order, in range and young enough; the statistics stay
        // numbers; the requests stay bounded; a running tempo mode always has its next click.
        const auto& list = engine.s1List;
        int descents = 0;
        for (size_t i = 0; i < list.values.size(); ++i)
        {
            ASSERT_TRUE (list.values[i].value >= 0.0f && list.values[i].value < 1.0f && list.ageCounter - list.values[i].age <= 200) << block;
            descents += list.values[(i + 1) % list.values.size()].value < list.values[i].value ? 1 : 0;
        }
        ASSERT_TRUE (descents <= 1 && list.values.size() <= 201) << block;
        ASSERT_TRUE (list.reference.value == -1.0f || (list.reference.value >= 0.0f && list.reference.value < 1.0f)) << block;
        ASSERT_TRUE (engine.worstState >= 0 && engine.worstState <= 2 && ! std::isnan (engine.sumErrorMs.load())) << block;
        for (const auto& requests : engine.playRequests)
            ASSERT_LT (requests.size(), 10000u) << block;
        ASSERT_TRUE (! engine.isRunning || engine.tempoMode == 0 || ! engine.playRequests[KeysteadProcessor::clickSound].empty()) << block;
        mostEvaluated = std::max (mostEvaluated, engine.nbEvaluated.load());
        mostPhases = std::max (mostPhases, list.values.size());
    }

    // The random input did reach the judging of both modes.
    EXPECT_GT (mostEvaluated, 20);
    EXPECT_GT (mostPhases, 20u);
}

TEST (EngineAllocation, SteadyPlayingMixingAndFilteringDoNotAllocate)
{
    for (int mode : { 1, 0 })
    {
        KeysteadProcessor engine;
        ProcessorHarness harness (engine);
        engine.tempoMode = mode;
        engine.metronomeMode = 0;  // the tempo follow runs too
        engine.filterMidiChannel = true;
        engine.filterMidiRange = true;
        engine.lowestNote = 40;
        engine.highestNote = 90;
        engine.SetIsRunning (true);
        size_t allocations = 0;

        for (int block = 0; block < 6000; ++block)
        {
            for (int i = 0; i < 16; ++i)  // events the filter drops: other channels, keys out of range, clock ticks
            {
                harness.noteOn (i * 30, 60, 100, 2 + i % 3);
                harness.noteOn (i * 30 + 1, 100 + i);
                harness.addRaw (i * 30 + 2, { 0xF8 });
            }

            // About every beat a group of 1 to 10 notes (a chord in chord mode), some a key apart;
            // now and then a note far off; the three sounds overlap.
            for (int k = 0; block % 47 == 0 && k < 1 + block % 10; ++k)
                harness.noteOn (100 + k * 40, 60 + k + k / 2);
            if (block % 101 == 7)
                harness.noteOn (10, 50);
            for (int n = 0; n < 3 && block % 50 == 0; ++n)
                engine.AskToPlayBuffer (n);

            ScopedAllocationCounter counter;
            engine.processBlock (harness.output, harness.midi);
            allocations += block < 3000 ? 0 : counter.count();  // the first blocks let the lists reach their size
            harness.midi.clear();
        }

        EXPECT_EQ (allocations, 0u) << "mode " << mode;
        EXPECT_GT (engine.nbEvaluated.load(), 30);
    }
}

TEST (EngineReset, ResetsFromAnotherThreadTakeEffectWholeBetweenBlocks)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine, 48000.0, 64);
    std::atomic<bool> done { false };
    std::thread requester ([&]
    {
        for (int i = 0; i < 5000; ++i, std::this_thread::yield())
            engine.ResetLists();
        done = true;
    });

    int resets = 0;
    for (int blocks = 0; ! done.load() || blocks < 100; ++blocks)
    {
        // Either nothing was reset (what is set here survives) or the whole reset happened.
        engine.nbEvaluated = 3;
        engine.sumErrorMs = 30.0f;
        engine.incomingNotes.assign (5, KeysteadProcessor::Note { 1, 60, false });
        engine.s1List.values.assign (2, KeysteadProcessor::S1Float (0.5f, 1, 0.5f));
        harness.processBlock();

        const bool cleared = engine.incomingNotes.empty();
        resets += cleared ? 1 : 0;
        ASSERT_EQ (cleared, engine.nbEvaluated == 0);
        ASSERT_EQ (cleared, engine.sumErrorMs == 0.0f);
        ASSERT_EQ (cleared, engine.s1List.values.empty());
        ASSERT_EQ (engine.incomingNotes.size(), cleared ? 0u : 5u);
    }

    requester.join();
    harness.processBlock();
    EXPECT_FALSE (engine.IsResetPending());
    EXPECT_GT (resets, 0);
}
