#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <numeric>
#include <random>
#include <thread>

#include <pthread.h>
#include <sched.h>

#include "engine/KeysteadProcessor.h"
#include "ui/editor/KeysteadEditor.h"

// processBlock with the editor open, as in use: an audio thread runs the blocks (paced at four
// times real time, so the editor's updates, halos and threads come as densely as they would),
// while the benchmark's thread runs the message loop that carries out the editor's updates.
// Each block is timed on its own; the counters give the mean and the worst block in ms beside
// the real-time budget of a 512-sample block at 48000 Hz, 10.67 ms. The same run without an
// editor shows what the hand-overs to the editor cost. Like a device's audio thread, the block
// thread asks for real-time scheduling (the "realtime" counter says whether it got it), so
// that other work on the machine disturbs the figures as little as it would disturb playing.

namespace
{
    constexpr double rate = 48000.0;
    constexpr int blockLength = 512;
    constexpr int blocks = 8000;
    constexpr auto blockPeriod = std::chrono::microseconds (10667 / 4);

    struct TimedNote { juce::int64 at; int noteNumber; };

    /** Ten-note chords (both hands) on every sixteenth note at 120 beats per minute, each
        struck over up to 12 ms and placed up to 30 ms off the grid: every chord closes a group,
        lights ten halos and moves the tempo. */
    std::vector<TimedNote> denseTempoPlaying (std::mt19937& random)
    {
        std::vector<TimedNote> notes;
        std::uniform_int_distribution<int> off (-30 * 48, 30 * 48), spread (0, 12 * 48);
        for (juce::int64 at = 24000; at < (juce::int64) blocks * blockLength; at += 6000)
        {
            const juce::int64 chord = at + off (random);
            for (int k = 0; k < 10; ++k)
                notes.push_back ({ chord + spread (random), 36 + 5 * k });
        }
        std::sort (notes.begin(), notes.end(), [] (auto& a, auto& b) { return a.at < b.at; });
        return notes;
    }

    /** Ten-note chords four times a second, spread over 10 to 70 ms: good, middling and bad. */
    std::vector<TimedNote> chordPlaying (std::mt19937& random)
    {
        std::vector<TimedNote> notes;
        std::uniform_int_distribution<int> width (10 * 48, 70 * 48);
        for (juce::int64 at = 24000; at < (juce::int64) blocks * blockLength; at += 12000)
        {
            const int w = width (random);
            for (int k = 0; k < 10; ++k)
                notes.push_back ({ at + (k * w) / 9, 36 + 5 * k });
        }
        return notes;
    }

    void runPlaying (benchmark::State& state, int tempoMode, std::vector<TimedNote> (*playing) (std::mt19937&))
    {
        const bool withEditor = state.range (0) != 0;

        for (auto _ : state)
        {
            KeysteadProcessor engine;
            engine.setRateAndBufferSizeDetails (rate, blockLength);
            engine.prepareToPlay (rate, blockLength);
            engine.tempoMode = tempoMode;
            engine.SetEditorFactory (KeysteadEditor::CreateEditor);
            std::unique_ptr<juce::AudioProcessorEditor> editor (withEditor ? engine.createEditorIfNeeded() : nullptr);
            engine.SetIsRunning (true);

            std::mt19937 random (7);
            const auto notes = playing (random);
            std::vector<double> ms ((size_t) blocks);
            std::atomic<bool> done { false }, realtime { false };

            std::thread audio ([&]
            {
                const sched_param priority { sched_get_priority_max (SCHED_FIFO) - 10 };
                realtime = pthread_setschedparam (pthread_self(), SCHED_FIFO, &priority) == 0;

                juce::AudioBuffer<float> output (2, blockLength);
                juce::MidiBuffer midi;
                midi.ensureSize (4096);
                size_t next = 0;
                const auto start = std::chrono::steady_clock::now();

                for (int b = 0; b < blocks; ++b)
                {
                    const juce::int64 first = (juce::int64) b * blockLength;
                    midi.clear();
                    for (; next < notes.size() && notes[next].at < first + blockLength; ++next)
                        midi.addEvent (juce::MidiMessage::noteOn (1, notes[next].noteNumber, (juce::uint8) 90),
                                       (int) (notes[next].at - first));
                    output.clear();

                    const auto t0 = std::chrono::steady_clock::now();
                    engine.processBlock (output, midi);
                    const auto t1 = std::chrono::steady_clock::now();
                    ms[(size_t) b] = std::chrono::duration<double, std::milli> (t1 - t0).count();

                    std::this_thread::sleep_until (start + blockPeriod * (b + 1));
                }
                done = true;
            });

            while (! done.load())
                juce::MessageManager::getInstance()->runDispatchLoopUntil (2);
            audio.join();

            if (editor != nullptr)
                engine.DetachEditor (editor.get());
            editor.reset();
            juce::MessageManager::getInstance()->runDispatchLoopUntil (500);  // the last halos end

            std::sort (ms.begin(), ms.end());
            state.counters["mean_ms"] = std::accumulate (ms.begin(), ms.end(), 0.0) / (double) ms.size();
            state.counters["p99_ms"] = ms[ms.size() * 99 / 100];
            state.counters["worst_ms"] = ms.back();
            state.counters["budget_ms"] = blockLength * 1000.0 / rate;
            state.counters["judged"] = engine.nbEvaluated.load();
            state.counters["realtime"] = realtime ? 1 : 0;
        }
    }
}

static void BM_EditorOpenDenseTempoPlaying (benchmark::State& state) { runPlaying (state, 1, denseTempoPlaying); }
BENCHMARK (BM_EditorOpenDenseTempoPlaying)->ArgName ("editor")->Arg (0)->Arg (1)->Iterations (1)
    ->Unit (benchmark::kSecond);

static void BM_EditorOpenChordPlaying (benchmark::State& state) { runPlaying (state, 0, chordPlaying); }
BENCHMARK (BM_EditorOpenChordPlaying)->ArgName ("editor")->Arg (0)->Arg (1)->Iterations (1)
    ->Unit (benchmark::kSecond);
