// The engine's news reaching an open editor while a second thread runs processBlock as the
// audio device would.

#include <thread>

#include "UiTestSupport.h"
#include "support/ProcessorHarness.h"

using namespace uitest;

TEST (LiveEngine, TempoModeNotesRefreshTheLabelsAndMoveTheSlider)
{
    EditorFixture f;
    f.engine.tempoMode = 1;
    auto& e = openRevealed (f);
    click (*e.startButton);

    // Quarter notes at 120 beats per minute (48 samples a millisecond), alternately on the beat
    // and 12 ms late, so that the tempo follow moves the tempo after every note. The blocks come
    // a little slower than the message loop turns.
    std::atomic<bool> done { false };
    std::thread audio ([&]
    {
        ProcessorHarness harness (f.engine);
        for (juce::int64 start = 0; start < 13 * 24000; start += harness.blockSize)
        {
            for (int k = 1; k <= 12; ++k)
                if (const auto at = k * 24000 + (k % 2) * 12 * 48 - start; at >= 0 && at < harness.blockSize)
                    harness.noteOn ((int) at, 60);
            harness.processBlock();
            std::this_thread::sleep_for (std::chrono::microseconds (300));
        }
        done = true;
    });
    pump ([&] { return done.load(); });
    audio.join();

    const int counted = f.engine.nbEvaluated.load();
    const double tempo = f.engine.tempo.load();
    ASSERT_TRUE (counted > 5 && tempo != 120.0);
    // Every update posted has run: the labels show the engine's count, the slider its tempo.
    EXPECT_TRUE (pump ([&] { return e.notesCountLabel->getText() == juce::String (counted); }));
    EXPECT_TRUE (pump ([&] { return e.tempoSlider->getValue() == std::round (tempo); }));
    EXPECT_EQ (f.engine.tempo.load(), tempo) << "the slider's follow must not write the tempo back";
}
