// The widgets' animations played through by their own run(), and the rules of their threads.

#include "UiTestSupport.h"

#include <atomic>
#include <thread>

using namespace uitest;

namespace
{
    const juce::String chordInstruction = "You must play your chords with accuracy\n (il faut bien plaquer ses accords)";

    // Plays a widget's animation through on a thread of its own, as the widget's thread does, and
    // returns the steps it took. This thread, the message thread, handles each step's update as
    // the message loop would, then ends the wait that follows it at once. The waits are real,
    // though (50 ms at the shortest): when this thread falls behind one, on a loaded machine, the
    // widget goes on by itself and a step may pass unseen. A run in which one release came later
    // than that after the one before proves nothing either way, and is played again.
    template <typename Widget, typename Field>
    std::vector<int> playThrough (Widget& widget, Field& step, std::function<void()> afterEach = [] {})
    {
        using Clock = std::chrono::steady_clock;
        constexpr auto shortestWait = std::chrono::milliseconds (50);
        for (int attempt = 1;; ++attempt)
        {
            std::vector<int> seen;
            std::atomic<bool> finished { false };
            bool keptPace = true;
            step = -100;
            widget.wait (0);   // drops a wake-up left over from an earlier run
            auto released = Clock::now();
            std::thread player ([&] { widget.run(); finished = true; });

            for (int last = -100;; std::this_thread::yield())
            {
                const bool ended = finished.load();
                if (const int now = step; now != last)
                {
                    seen.push_back (last = now);
                    for (int i = 0; i < 10000000 && ! widget.isUpdatePending(); ++i)
                        std::this_thread::yield();
                    widget.handleUpdateNowIfNeeded();
                    afterEach();
                    keptPace = keptPace && Clock::now() - released < shortestWait;
                    released = Clock::now();
                    widget.notify();
                }
                else if (ended)
                {
                    break;
                }
            }
            player.join();
            if (keptPace || attempt == 50)
                return seen;
        }
    }

    std::vector<int> range (int first, int last)
    {
        std::vector<int> v;
        for (int i = first; i <= last; ++i)
            v.push_back (i);
        return v;
    }
}

TEST (AnimatedWidgets, SchedulesRunEveryStepToTheirEndStates)
{
    // "Play now!" blinks five times, the instruction holds, then fades out over eighteen steps.
    auto instruction = std::vector<int> { 0, 1, 0, 1, 0, 1, 0, 1, 0, 1 };
    for (int s : range (2, 20))
        instruction.push_back (s);

    // Each row: the mode, its steps, then the label as the last step leaves it.
    const struct { int mode; std::vector<int> steps; juce::String text; juce::uint32 colour; float height; } rows[] = {
        { Label::goodMode, range (0, 15), "YES!!!", 0xFF008000, 30 },
        { Label::badMode, range (0, 11), "NO!", 0xFFFF0000, 20 },
        { Label::middlingMode, { 0 }, "middling", 0xFF9ACD32, 20 },
        { -1, instruction, chordInstruction, 0x00000000, 20 },
    };

    Label label ("new label", {});
    juce::uint8 halfWayAlpha = 0;   // the instruction's, at step 11 of its fade
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.mode);
        label.setVisible (false);
        label.mode = row.mode;
        const auto seen = playThrough (label, label.step, [&]
        {
            if (row.mode < 0 && label.step == 11)
                halfWayAlpha = label.findColour (juce::Label::textColourId).getAlpha();
        });
        EXPECT_EQ (seen, row.steps);
        EXPECT_EQ (std::tuple (label.getText(), label.findColour (juce::Label::textColourId).getARGB(),
                               label.getFont().getHeight(), label.isVisible()),
                   std::tuple (row.text, row.colour, row.height, row.mode >= 0));
    }
    EXPECT_EQ (halfWayAlpha, 128);

    // The lamp starts at its brightest and comes to rest.
    KeysteadEditor::MidiInLight lamp;
    EXPECT_EQ (playThrough (lamp, lamp.level), (std::vector<int> { 5, 4, 3, 2, 1, 0 }));
}

TEST (AnimatedWidgets, AStartWhileRunningDoesNothingAStopEndsTheBlinkUnlit)
{
    auto label = std::make_unique<Label> ("new label", juce::String());
    KeysteadEditor::MidiInLight lamp;
    KeysteadEditor::TwinkelingToggleButton start ("START");
    ASSERT_TRUE (label->startThread());
    ASSERT_TRUE (pump ([&] { return label->getText() == chordInstruction; }));   // in its three-second wait
    EXPECT_FALSE (label->startThread());
    EXPECT_TRUE (label->stopThread (-1));

    // Stopped while waiting unlit, the START blink still ends unlit.
    const auto colour = [&] { return start.findColour (juce::TextButton::buttonColourId).getARGB(); };
    ASSERT_TRUE (start.startThread() && pump ([&] { return colour() == ZibLookAndFeel::blinkLitColour; })
                 && pump ([&] { return colour() == start.unlitColour; }));
    EXPECT_TRUE (start.stopThread (-1));
    EXPECT_FALSE (pump ([&] { return colour() != start.unlitColour; }, 100));

    // Destroyed while running, a widget stops its thread first and gets no late update.
    ASSERT_TRUE (label->startThread() && lamp.startThread() && start.startThread());
    label.reset();
    pump ([] { return false; }, 50);
}
