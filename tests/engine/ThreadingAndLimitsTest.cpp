#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <functional>
#include <thread>

#include "EngineTestSupport.h"

using namespace enginetest;

namespace
{
    /** An engine that runs an action while it filters the MIDI of a block: in the middle of the
        block, after its start has been dealt with. */
    struct EngineWithHook : public KeysteadProcessor
    {
        bool IsOkWithMidiInChannelSelectedAndNoteLimits (const juce::MidiMessage& message) override
        {
            onFilter();
            return KeysteadProcessor::IsOkWithMidiInChannelSelectedAndNoteLimits (message);
        }

        std::function<void()> onFilter = [] {};
    };

    // The verdict of a two-note chord from the rules themselves, worked out in double precision:
    // 176 strip pixels stand for 150 ms; the middling line lies halfway between the two limits
    // but never more than 25 ms above the good one. -1: no verdict, 0 good, 1 middling, 2 bad.
    int verdictOf (int spreadSamples, int goodPixels, int noChordPixels)
    {
        const double good = goodPixels * 0.150 / 176.0, noChord = noChordPixels * 0.150 / 176.0;
        const double middling = std::min ((good + noChord) / 2.0, good + 0.025);
        const double s = spreadSamples / 48000.0;
        return s >= noChord ? -1 : s > middling ? 2 : s > good ? 1 : 0;
    }

    std::vector<bool> boosFor (int verdict)
    {
        if (verdict < 1)
            return {};
        return { verdict == 1 };  // a middling chord's boo is attenuated
    }
}

TEST (PlayRequests, ARequestFromAnotherThreadWaitsForTheLockAndIsMixedAfterIt)
{
    KeysteadProcessor engine;
    ProcessorHarness harness (engine);
    std::atomic<bool> asked { false };

    std::thread requester;
    {
        // What the audio thread holds while it mixes.
        const juce::ScopedLock playRequestLock (engine);
        requester = std::thread ([&] { engine.AskToPlayBuffer (KeysteadProcessor::goodSound); asked = true; });

        // A bounded wait, only long enough for an unlocked append to show.
        for (int i = 0; i < 200 && ! asked.load(); ++i)
            std::this_thread::sleep_for (std::chrono::microseconds (500));

        EXPECT_FALSE (asked.load());
        EXPECT_TRUE (engine.playRequests[KeysteadProcessor::goodSound].empty());
    }

    requester.join();
    EXPECT_EQ (engine.playRequests[KeysteadProcessor::goodSound].size(), 1u);
    EXPECT_GT (harness.processBlock().getMagnitude (0, 0, harness.blockSize), 0.0f) << "mixed from the next block";
}

TEST (ChordMode, VerdictsEachSideOfTheLinesMatchTheRulesWorkedOutIndependently)
{
    // Spreads one sample inside and outside each line (in samples at 48 kHz): at the defaults the
    // middling line is halfway between the limits; at 29 and 176 pixels it is 25 ms above good.
    const struct { const char* name; int good, noChord; std::vector<int> spreads; } rows[] = {
        { "defaults", 50, 100, { 2045, 2046, 3068, 3069, 4090, 4091 } },
        { "wide", 29, 176, { 1186, 1187, 2386, 2387, 7198 } },
        { "narrow", 40, 60, { 1636, 1637, 2045, 2046, 2454, 2455 } },
    };

    for (const auto& row : rows)
    {
        for (int spread : row.spreads)
        {
            SCOPED_TRACE (juce::String (row.name) + ", spread " + juce::String (spread));
            const int verdict = verdictOf (spread, row.good, row.noChord);
            KeysteadProcessor engine;
            engine.goodNoMetronome = row.good;
            engine.noChordNoMetronome = row.noChord;
            const auto out = perform (engine, 0, { { 1000, 60 }, { 1000 + spread, 64 } }, 48000);
            EXPECT_EQ (out.counted, verdict < 0 ? 0 : 1);
            EXPECT_EQ (out.worst, std::max (verdict, 0));
            EXPECT_EQ (out.boos, boosFor (verdict));
        }
    }
}

TEST (EngineReset, AResetAskedForDuringABlockWaitsForTheNextBlockAndThenClearsEverything)
{
    EngineWithHook engine;
    ProcessorHarness harness (engine, 48000.0, 64);

    // The reset is asked for from another thread in the middle of the block, as the message
    // thread does when the user presses a button while the audio thread works.
    engine.onFilter = [&engine] { std::thread ([&engine] { engine.ResetLists(); }).join(); };
    engine.nbEvaluated = 3;
    engine.sumErrorMs = 30.0f;
    engine.maxErrorMs = 20.0f;
    engine.incomingNotes.assign (5, KeysteadProcessor::Note { 1, 60, false });
    engine.s1List.values.assign (2, KeysteadProcessor::S1Float (0.5f, 1, 0.5f));
    engine.s1List.reference = KeysteadProcessor::S1Float (0.5f);

    const auto state = [&engine]
    {
        return std::make_tuple (engine.nbEvaluated.load(), engine.sumErrorMs.load(), engine.maxErrorMs.load(),
                                engine.incomingNotes.size(), engine.s1List.values.size(),
                                engine.s1List.reference.value);
    };

    harness.noteOn (0, 60);
    harness.processBlock();
    EXPECT_EQ (state(), std::make_tuple (3, 30.0f, 20.0f, size_t (5), size_t (2), 0.5f)) << "the block ran untouched";
    EXPECT_TRUE (engine.IsResetPending());

    engine.onFilter = [] {};
    harness.processBlock();
    EXPECT_EQ (state(), std::make_tuple (0, 0.0f, 0.0f, size_t (0), size_t (0), -1.0f));
    EXPECT_FALSE (engine.IsResetPending());
}
