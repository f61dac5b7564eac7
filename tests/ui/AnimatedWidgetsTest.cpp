// The label's update handler driven step by step, the widgets' animations played through by
// their own run(), and the rules of their threads.

#include "UiTestSupport.h"

#include <atomic>
#include <thread>

using namespace uitest;

namespace
{
    const juce::String chordInstruction =
        "You must play your chords with accuracy\n (il faut bien plaquer ses accords)";

    // Plays a widget's animation through on a thread of its own, handling each step's update here
    // as the message loop would and then ending the wait that follows it at once. The waits are
    // real (50 ms at the shortest): if this thread falls behind one on a loaded machine a step may
    // pass unseen, so such a run proves nothing and is played again.
    template <typename Widget, typename Field>
    std::vector<int> playThrough (Widget& widget, Field& step, std::function<void()> afterEach = [] {})
    {
        using Clock = std::chrono::steady_clock;
        for (int attempt = 1;; ++attempt)
        {
            std::vector<int> seen;
            std::atomic<bool> finished { false };
            bool keptPace = true;
            step = -100;
            widget.wait (0);   // drops a wake-up left over from an earlier run
            auto released = Clock::now();
            std::thread player ([&] { widget.run(); finished = true; });
            // finished is read before step: once it is set, the step read after it is the last one.
            for (int last = -100; ! finished.load() || step != last; std::this_thread::yield())
            {
                if (const int now = step; now != last)
                {
                    seen.push_back (last = now);
                    for (int i = 0; i < 10000000 && ! widget.isUpdatePending(); ++i)
                        std::this_thread::yield();
                    widget.handleUpdateNowIfNeeded();
                    afterEach();
                    keptPace = keptPace && Clock::now() - released < std::chrono::milliseconds (50);
                    released = Clock::now();
                    widget.notify();
                }
            }
            player.join();
            if (keptPace || attempt == 50)
                return seen;
        }
    }

    std::vector<int> range (int first, int last, std::vector<int> v = {})
    {
        while (first <= last)
            v.push_back (first++);
        return v;
    }
}

TEST (AnimatedWidgets, LabelStepsSetTextColourFontAndVisibility)
{
    // The instruction (mode -1) flashes "Play now!", shows the text for the tempo switch as it is
    // at that step and fades out, keeping its font. Good grows in green and ends at 30; bad
    // shrinks in red, then blinks (a negative height stands for hidden) and ends shown; middling
    // keeps whatever font the label has (at first the label's own, 15).
    EditorFixture f;
    auto& e = f.openStill();
    Label label ("new label", {});
    e.addChildComponent (label);
    const auto metronome = juce::String::fromUTF8 ("You must follow the metronome with accuracy\n"
                                                   " (il faut bien suivre le m\xc3\xa9tronome)");
    struct Row
    {
        int mode, firstStep; bool tempoOn; juce::String text; juce::uint32 colour; std::vector<float> heights;
    };
    const Row rows[] = {
        { -1, 0, false, "Play now!", 0xFF000000, { 15 } },  { -1, 1, false, "", 0xFF000000, { 15 } },
        { -1, 2, true, metronome, 0xFF000000, { 15 } },     { -1, 2, false, chordInstruction, 0xFF000000, { 15 } },
        { -1, 3, false, chordInstruction, 241u << 24, { 15 } },
        { -1, 11, false, chordInstruction, 128u << 24, { 15 } },
        { -1, 19, false, chordInstruction, 14u << 24, { 15 } }, { -1, 20, false, chordInstruction, 0, { 15 } },
        { Label::middlingMode, 0, false, "middling", 0xFF9ACD32, { 15 } },
        { Label::goodMode, 0, false, "YES!!!", 0xFF008000,
          { 30, 35, 40, 45, 50, 30, 35, 40, 45, 50, 30, 35, 40, 45, 50, 30 } },
        { Label::badMode, 0, false, "NO!", 0xFFFF0000, { 45, 40, 35, 30, 25, 20, -20, 20, -20, 20, -20, 20 } },
        { Label::middlingMode, 0, false, "middling", 0xFF9ACD32, { 20 } },
    };
    for (const auto& row : rows)
    {
        e.tempoOnButton->setToggleState (row.tempoOn, juce::dontSendNotification);
        label.setVisible (row.mode < 0);
        for (size_t i = 0; i < row.heights.size(); ++i)
        {
            label.mode = row.mode;
            label.step = row.firstStep + (int) i;
            label.handleAsyncUpdate();
            EXPECT_EQ (std::tuple (label.getText(), label.findColour (juce::Label::textColourId).getARGB(),
                                   label.getFont().getHeight(), label.getFont().isBold(), label.isVisible()),
                       std::tuple (row.text, row.colour, std::abs (row.heights[i]), false, row.heights[i] > 0))
                << "mode " << row.mode << " step " << row.firstStep + (int) i;
        }
    }
    e.removeChildComponent (&label);
}

TEST (AnimatedWidgets, AnExitRequestDoesNotWakeTheWaitAStopEndsItAndAnIdleLabelPlaysFromTheStart)
{
    auto label = std::make_unique<Label> ("new label", juce::String());
    ASSERT_TRUE (label->startThread());
    ASSERT_TRUE (pump ([&] { return label->getText() == chordInstruction; }));   // in its three-second wait
    EXPECT_FALSE (label->startThread());
    label->signalThreadShouldExit();
    EXPECT_FALSE (label->startThread());
    pump ([] { return false; }, 300);
    EXPECT_TRUE (label->isThreadRunning());
    EXPECT_TRUE (label->stopThread (-1));

    // Idle again, it plays from the beginning: the bad verdict runs to its last step, shown.
    label->mode = Label::badMode;
    ASSERT_TRUE (label->startThread());
    EXPECT_TRUE (pump ([&] { return ! label->isThreadRunning(); }));
    EXPECT_EQ (label->step.load(), 11);

    // Destroyed while running, a widget stops its thread first and gets no late update.
    KeysteadEditor::MidiInLight lamp;
    KeysteadEditor::TwinkelingToggleButton start ("START");
    ASSERT_TRUE (label->startThread() && lamp.startThread() && start.startThread());
    label.reset();
    pump ([] { return false; }, 50);
}

TEST (AnimatedWidgets, SchedulesRunEveryStepToTheirEndStates)
{
    // "Play now!" blinks five times, the instruction holds, then fades out over eighteen steps.
    const auto instruction = range (2, 20, { 0, 1, 0, 1, 0, 1, 0, 1, 0, 1 });

    // Each row: the mode, its steps, then the label as the last step leaves it.
    const struct { int mode; std::vector<int> steps; juce::String text; juce::uint32 colour; float height; } rows[] = {
        { Label::goodMode, range (0, 15), "YES!!!", 0xFF008000, 30 },
        { Label::badMode, range (0, 11), "NO!", 0xFFFF0000, 20 },
        { Label::middlingMode, { 0 }, "middling", 0xFF9ACD32, 20 },
        { -1, instruction, chordInstruction, 0x00000000, 20 },
    };
    Label label ("new label", {});
    const auto colour = [&] { return label.findColour (juce::Label::textColourId); };
    juce::uint8 halfWayAlpha = 0;   // the instruction's, at step 11 of its fade
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.mode);
        label.setVisible (false);
        label.mode = row.mode;
        EXPECT_EQ (playThrough (label, label.step, [&] { halfWayAlpha = label.step == 11 ? colour().getAlpha()
                                                                                         : halfWayAlpha; }),
                   row.steps);
        EXPECT_EQ (std::tuple (label.getText(), colour().getARGB(), label.getFont().getHeight(), label.isVisible()),
                   std::tuple (row.text, row.colour, row.height, row.mode >= 0));
    }
    EXPECT_EQ (halfWayAlpha, 128);

    // The lamp starts at its brightest and comes to rest.
    KeysteadEditor::MidiInLight lamp;
    EXPECT_EQ (playThrough (lamp, lamp.level), (std::vector<int> { 5, 4, 3, 2, 1, 0 }));
}

TEST (AnimatedWidgets, AStopEndsTheStartBlinkUnlit)
{
    // Stopped while waiting unlit, the START blink still ends unlit.
    KeysteadEditor::TwinkelingToggleButton start ("START");
    const auto colour = [&] { return start.findColour (juce::TextButton::buttonColourId).getARGB(); };
    ASSERT_TRUE (start.startThread() && pump ([&] { return colour() == ZibLookAndFeel::blinkLitColour; })
                 && pump ([&] { return colour() == start.unlitColour; }));
    EXPECT_TRUE (start.stopThread (-1));
    EXPECT_FALSE (pump ([&] { return colour() != start.unlitColour; }, 100));
}
