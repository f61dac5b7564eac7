#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <thread>

#include "EngineTestSupport.h"

TEST (EngineSafety, MidiInFilterTakesTheChannelThenTheRangeAndDropsMalformedEvents)
{
    const struct { const char* name; int channel, lowest, highest; std::vector<juce::uint8> bytes; bool passes; }
    rows[] = {
        { "below", 0, 60, 72, { 0x90, 59, 100 }, false },
        { "highest", 0, 60, 72, { 0x90, 72, 100 }, true },
        { "note-off above", 0, 60, 72, { 0x80, 73, 0 }, false },
        { "controller", 0, 60, 72, { 0xB0, 100, 1 }, true },  // only note messages are ranged
        { "inverted range", 0, 80, 40, { 0x90, 60, 100 }, false },
        { "both pass", 2, 60, 72, { 0x91, 60, 100 }, true },
        { "range fails", 2, 60, 72, { 0x91, 73, 100 }, false },
        { "channel fails", 2, 60, 72, { 0x92, 60, 100 }, false },
        { "short", 0, 0, 127, { 0x90, 60 }, false },
        { "data byte first", 0, 0, 127, { 0x3C, 0x64, 0x10 }, false },
        { "data byte high", 0, 0, 127, { 0x90, 0xC8, 100 }, false } };
    for (const auto& c : rows)
    {
        KeysteadProcessor engine;
        engine.filterMidiChannel = c.channel != 0;
        engine.midiChannel = c.channel;
        engine.filterMidiRange = true;
        engine.lowestNote = c.lowest;
        engine.highestNote = c.highest;
        juce::MidiBuffer buffer;
        buffer.addEvent (c.bytes.data(), (int) c.bytes.size(), 7);
        engine.FilterByMidiChannelAndNoteLimits (buffer);
        EXPECT_EQ (buffer.getNumEvents() == 1 && (*buffer.begin()).samplePosition == 7, c.passes) << c.name;
    }
}

TEST (EngineSafety, RandomMidiBlockSizesAndSettingsNeverBreakTheEngine)
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
    for (int block = 0; block < 20000; ++block)
    {
        switch (random() % 40)
        {
            case 0: engine.tempoMode = (int) (random() % 3); break;
            case 1: engine.metronomeMode = (int) (random() % 2); break;
            case 2: engine.tempo = pick (120.0, 0.0, -3.0, std::nan (""), 1.0e30, 31.5, 249.9, HUGE_VAL); break;
            case 3: engine.subdivisor = pick (1, 2, 3, 4, 0, -2, 9); break;
            case 4: engine.goodMetronome = pick (30.0f, 0.0f, -20.0f, 400.0f, std::nanf ("")); break;
            case 5: engine.noChordMetronome = pick (60.0f, 0.0f, -1.0f, 1000.0f, std::nanf ("")); break;
            case 6: engine.goodNoMetronome = pick (50, 0, -50, 176, std::numeric_limits<int>::max()); break;
            case 7: engine.noChordNoMetronome = pick (100, 0, -100, 500, std::numeric_limits<int>::min()); break;
            case 8: engine.SetIsRunning (random() % 4 != 0); break;
            case 9: engine.ResetLists(); break;
            case 10: engine.AskToPlayBuffer (pick (-1, 0, 1, 3)); break;  // not the click: it restarts the beat
            case 11: engine.filterMidiRange = random() % 2 == 0; engine.lowestNote = (int) (random() % 128); break;
            default: break;
        }
        const int length = (int) pick (512u, 64u, 1u, 0u, 4096u, (unsigned) (random() % 3000u));
        for (int e = 0, events = (int) (random() % 24); e < events && length > 0; ++e)
        {
            juce::uint8 data[4];
            for (auto& byte : data)
                byte = (juce::uint8) random();
            data[0] = random() % 2 == 0 ? (juce::uint8) (0x90 | (data[0] & 0x0F)) : data[0];
            harness.midi.addEvent (data, 1 + (int) (random() % 4), (int) (random() % (unsigned) length));
        }
        harness.processBlock (length);

        // Phases in range and young, statistics numbers, requests bounded, the next click always a beat ahead.
        const auto& list = engine.s1List;
        for (const auto& e : list.values)
            ASSERT_TRUE (e.value >= 0.0f && e.value < 1.0f && list.ageCounter - e.age <= 200) << block;
        ASSERT_TRUE (list.values.size() <= 201 && (list.reference.value == -1.0f || list.reference.value >= 0.0f)
                     && list.reference.value < 1.0f && engine.worstState >= 0 && engine.worstState <= 2
                     && ! std::isnan (engine.sumErrorMs.load())) << block;
        for (const auto& requests : engine.playRequests)
            ASSERT_LT (requests.size(), 10000u) << block;
        const auto& clicks = engine.playRequests[KeysteadProcessor::clickSound];
        ASSERT_TRUE (! engine.isRunning || engine.tempoMode == 0 || ! clicks.empty()) << block;
        for (size_t i = 1; i < clicks.size(); ++i)  // one beat at a tempo from 30 to 250 apart, whatever was stored
            ASSERT_TRUE (std::abs (clicks[i].startPosition - clicks[i - 1].startPosition - 53760) <= 42240) << block;
        mostEvaluated = std::max (mostEvaluated, engine.nbEvaluated.load());
    }
    EXPECT_GT (mostEvaluated, 20);  // the random input did reach the judging
}

// Notes near eighth-note places for five minutes, in blocks of 512 with both MIDI filters on and the
// metronome off, so the tempo follows: once the lists have grown, no block allocates.
TEST (EngineSafety, FollowingTheTempoWithTheFiltersOnDoesNotAllocate)
{
    std::mt19937 random (7);
    const auto notes = enginetest::randomPerformance (random, enginetest::beat, 2, 1200);
    KeysteadProcessor engine;
    engine.filterMidiChannel = true;
    engine.filterMidiRange = true;
    const auto out = enginetest::perform (engine, 1, notes, notes.back().at + 48000);
    EXPECT_EQ (out.allocations, 0u);
    EXPECT_TRUE (out.counted > 300 && engine.tempo.load() != 120.0) << out.counted;
}

// A system-exclusive message in every block with a note-on: it passes whole, or the channel filter
// drops it, and once the buffers have grown no block allocates for it.
TEST (EngineSafety, LongSystemMessagesPassWholeWithoutAllocating)
{
    using Bytes = std::vector<juce::uint8>;
    const Bytes sysex { 0xF0, 0x7E, 0x7F, 0x06, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0xF7 }, note { 0x90, 60, 100 };
    for (const bool channelFilter : { false, true })
    {
        KeysteadProcessor engine;
        engine.filterMidiChannel = channelFilter;
        ProcessorHarness harness (engine);
        size_t allocations = 0;
        for (int block = 0; block < 8; ++block)
        {
            harness.midi.addEvent (sysex.data(), (int) sysex.size(), 10);
            harness.noteOn (20, 60);
            size_t counted = 0;
            {
                ScopedAllocationCounter counter;
                engine.FilterByMidiChannelAndNoteLimits (harness.midi);
                counted = counter.count();
            }
            const auto first = *harness.midi.begin();
            EXPECT_EQ (Bytes (first.data, first.data + first.numBytes), channelFilter ? note : sysex);
            {
                ScopedAllocationCounter counter;
                harness.processBlock();
                counted += counter.count();
            }
            allocations += block >= 2 ? counted : 0;
        }
        EXPECT_EQ (allocations, 0u) << "channel filter " << channelFilter;
    }
}

// The steady-state checks rely on the counter seeing every allocation: operator new, and the C
// functions that the framework's containers use, from the test's own code and from the framework's
// library. Each row counts exactly its own calls.
TEST (EngineSafety, TheAllocationCounterSeesEveryWayOfAllocating)
{
    const struct { const char* name; size_t calls; std::function<void()> allocate; } rows[] = {
        { "operator new", 1, [] { delete new int (1); } },
        { "HeapBlock malloc", 1, [] { juce::HeapBlock<float> b (64); b[0] = 1.0f; } },
        { "HeapBlock calloc", 1, [] { juce::HeapBlock<float> b (64, true); b[0] = 1.0f; } },
        { "HeapBlock realloc", 2, [] { juce::HeapBlock<float> b (8); b.realloc (4096); b[0] = 1.0f; } },
        { "MidiBuffer growth", 1, [] { juce::MidiBuffer b; b.addEvent (juce::MidiMessage::noteOn (1, 60, 1.0f), 0); } },
        { "MemoryBlock", 1, [] { juce::MemoryBlock b (100); } },  // made in the framework's library
        { "aligned_alloc", 1, [] { std::free (std::aligned_alloc (64, 64)); } },
        { "posix_memalign", 1, [] { void* p = nullptr; if (posix_memalign (&p, 64, 64) == 0) std::free (p); } },
        { "strdup", 1, [] { std::free (strdup ("note")); } },
    };
    for (const auto& row : rows)
    {
        ScopedAllocationCounter counter;
        row.allocate();
        EXPECT_EQ (counter.count(), row.calls) << row.name;
    }
}

// Wide chords exactly on the beat clock as it stands at their block's start, at sixteenths of 6000
// samples in blocks of 4096, closed in their block: every phase is 0, unless measured from a beat
// moved by a stop landing inside the block.
TEST (EngineSafety, AStopFromAnotherThreadFallsBetweenBlocksNeverInsideOne)
{
    KeysteadProcessor engine;
    engine.tempoMode = 1;
    engine.metronomeMode = 1;
    engine.subdivisor = 4;
    ProcessorHarness harness (engine, 48000.0, 4096);
    std::atomic<bool> done { false }, armed { false };
    std::thread stopper ([&]  // once during each block with a chord, at a random moment: what STOP does
    {
        for (std::mt19937 random (99); ! done.load(); std::this_thread::yield())
            if (armed.exchange (false))
            {
                for (auto spin = random() % 30000; spin > 0; --spin)
                    std::atomic_signal_fence (std::memory_order_seq_cst);
                engine.SetIsRunning (false);
            }
    });
    auto& clicks = engine.playRequests[KeysteadProcessor::clickSound];
    for (int block = 0; block < 20000 && ! HasFailure(); ++block)
    {
        if (! engine.isRunning.load())
            engine.SetIsRunning (true);
        int latestClick = -1;
        {
            const juce::ScopedLock holdingProcLock (engine.procLock);
            latestClick = clicks.empty() ? -1 : clicks.back().startPosition;
        }
        for (int key = 24; latestClick >= 0 && latestClick % 6000 < 1000 && key < 120; key += 3)
            harness.noteOn (latestClick % 6000, key);
        armed = ! harness.midi.isEmpty();
        harness.processBlock();
        for (const auto& entry : engine.s1List.values)
            ASSERT_EQ (entry.value, 0.0f) << "block " << block;
    }
    done = true;
    stopper.join();
    // How many blocks judge before their stop lands depends on the machine's load; some must.
    EXPECT_GT (engine.nbEvaluated.load(), 0);
    EXPECT_EQ (std::make_pair (engine.sumErrorMs.load(), engine.worstState.load()), std::make_pair (0.0f, 0));
}

TEST (EngineSafety, APlayRequestFromAnotherThreadWaitsForTheLockAndIsMixedAfterIt)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    std::atomic<bool> asked { false };
    std::thread requester;
    {
        const juce::ScopedLock playRequestLock (engine);  // what the audio thread holds while it mixes
        requester = std::thread ([&] { engine.AskToPlayBuffer (KeysteadProcessor::goodSound); asked = true; });
        for (int i = 0; i < 200 && ! asked.load(); ++i)  // only long enough for an unlocked append to show
            std::this_thread::sleep_for (std::chrono::microseconds (500));
        EXPECT_TRUE (! asked.load() && engine.playRequests[KeysteadProcessor::goodSound].empty());
    }
    requester.join();
    EXPECT_EQ (engine.playRequests[KeysteadProcessor::goodSound].size(), 1u);
    EXPECT_GT (harness.processBlock().getMagnitude (0, 0, harness.blockSize), 0.0f) << "mixed from the next block";
}

namespace
{
    /** Runs an action while it filters a block's MIDI, after the block's start was dealt with. */
    struct EngineWithHook : public KeysteadProcessor
    {
        bool IsOkWithMidiInChannelSelectedAndNoteLimits (const juce::MidiMessage& message) override
        {
            if (resetInside)  // asked for from another thread in the middle of the block, as a button press does
                std::thread ([this] { ResetLists(); }).join();
            return KeysteadProcessor::IsOkWithMidiInChannelSelectedAndNoteLimits (message);
        }

        bool resetInside = true;
    };
}

TEST (EngineSafety, AResetAskedForDuringABlockWaitsForTheNextBlockAndThenClearsEverything)
{
    EngineWithHook engine;
    ProcessorHarness harness (engine, 48000.0, 64);
    std::tie (engine.nbEvaluated, engine.sumErrorMs, engine.maxErrorMs) = std::make_tuple (3, 30.0f, 20.0f);
    engine.incomingNotes.assign (5, KeysteadProcessor::Note { 1, 60, false });
    engine.s1List.values.assign (2, KeysteadProcessor::S1Float (0.5f, 1, 0.5f));
    engine.s1List.reference = KeysteadProcessor::S1Float (0.5f);
    const auto state = [&engine]
    {
        return std::make_tuple (engine.nbEvaluated.load(), engine.sumErrorMs.load(), engine.maxErrorMs.load(),
                                engine.incomingNotes.size(), engine.s1List.values.size(),
                                engine.s1List.reference.value, engine.IsResetPending());
    };
    harness.noteOn (0, 60);
    harness.processBlock();
    EXPECT_EQ (state(), std::make_tuple (3, 30.0f, 20.0f, size_t (5), size_t (2), 0.5f, true)) << "ran untouched";
    engine.resetInside = false;
    harness.processBlock();
    EXPECT_EQ (state(), std::make_tuple (0, 0.0f, 0.0f, size_t (0), size_t (0), -1.0f, false));
}
