// The label's update handler driven step by step on the message thread, then the rules of the
// widgets' real threads. Nothing is timed.

#include "UiTestSupport.h"

#include <atomic>
#include <thread>

#include "engine/KeysteadProcessor.h"

using namespace uitest;

const juce::String chordInstruction = "You must play your chords with accuracy\n (il faut bien plaquer ses accords)";

TEST (AnimatedWidgets, LabelStepsSetTextColourFontAndVisibility)
{
    // The instruction (mode -1) flashes "Play now!", shows the text for the tempo switch as it is
    // at that step and fades out, keeping its font. Good grows in green and ends at 30; bad
    // shrinks in red, then blinks (a negative height stands for hidden) and ends shown; middling
    // keeps whatever font the label has (at first the label's own, 15).
    KeysteadProcessor processor;
    RelaxedAtomic<float> good { 10.0f }, noChord { 20.0f };
    KeysteadEditor editor (processor, 40, 80, good, noChord, true, true, 100, 1, 0.5f, 0.5f);
    editor.tempoOnButton = std::make_unique<juce::ToggleButton> ("ON");
    Label label ("new label", {});
    editor.addChildComponent (label);
    const auto metronome = juce::String::fromUTF8 ("You must follow the metronome with accuracy\n"
                                                   " (il faut bien suivre le m\xc3\xa9tronome)");
    struct Row
    {
        int mode, firstStep; bool tempoOn; juce::String text; juce::uint32 colour; std::vector<float> heights;
    };
    const Row rows[] = {
        { -1, 0, false, "Play now!", 0xFF000000, { 15 } },  { -1, 1, false, "", 0xFF000000, { 15 } },
        { -1, 2, true, metronome, 0xFF000000, { 15 } },     { -1, 2, false, chordInstruction, 0xFF000000, { 15 } },
        { -1, 3, false, chordInstruction, 241u << 24, { 15 } }, { -1, 11, false, chordInstruction, 128u << 24, { 15 } },
        { -1, 19, false, chordInstruction, 14u << 24, { 15 } }, { -1, 20, false, chordInstruction, 0, { 15 } },
        { Label::middlingMode, 0, false, "middling", 0xFF9ACD32, { 15 } },
        { Label::goodMode, 0, false, "YES!!!", 0xFF008000,
          { 30, 35, 40, 45, 50, 30, 35, 40, 45, 50, 30, 35, 40, 45, 50, 30 } },
        { Label::badMode, 0, false, "NO!", 0xFFFF0000, { 45, 40, 35, 30, 25, 20, -20, 20, -20, 20, -20, 20 } },
        { Label::middlingMode, 0, false, "middling", 0xFF9ACD32, { 20 } },
    };
    for (const auto& row : rows)
    {
        editor.tempoOnButton->setToggleState (row.tempoOn, juce::dontSendNotification);
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
}

TEST (AnimatedWidgets, AStartWhileRunningDoesNothingAnExitRequestDoesNotWakeTheWaitAndAStopEndsIt)
{
    auto label = std::make_unique<Label> ("new label", juce::String());
    KeysteadEditor::MidiInLight lamp;
    KeysteadEditor::TwinkelingToggleButton start ("START");
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

    // Stopped while waiting unlit, the START blink still ends unlit.
    const auto colour = [&] { return start.findColour (juce::TextButton::buttonColourId).getARGB(); };
    ASSERT_TRUE (start.startThread() && pump ([&] { return colour() == 0xFFFBFFBB; })
                 && pump ([&] { return colour() == 0xFFFFFFFF; }));
    EXPECT_TRUE (start.stopThread (-1));
    EXPECT_FALSE (pump ([&] { return colour() != 0xFFFFFFFF; }, 100));

    // Destroyed while running, a widget stops its thread first and gets no late update.
    ASSERT_TRUE (label->startThread() && lamp.startThread() && start.startThread());
    label.reset();
    pump ([] { return false; }, 50);
}

namespace
{
    // Plays a widget's animation through on a thread of its own, as the widget's thread does, and
    // returns the steps it took, in order. This thread, the message thread, handles each step's
    // update as the message loop would, then ends the wait that follows it at once: the whole
    // schedule runs in lockstep, every step seen, and nothing is timed.
    template <typename Widget, typename Field>
    std::vector<int> playThrough (Widget& widget, Field& step)
    {
        std::vector<int> seen;
        std::atomic<bool> finished { false };
        step = -100;
        widget.wait (0);  // drops a wake-up left over from an earlier run that ended without waiting
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
                widget.notify();
            }
            else if (ended)
            {
                break;
            }
        }

        player.join();
        return seen;
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
    // Each row: the mode, the steps in order, then the label as the last step leaves it.
    auto instruction = std::vector<int> { 0, 1, 0, 1, 0, 1, 0, 1, 0, 1 };
    for (int s : range (2, 20))
        instruction.push_back (s);

    const struct { int mode; std::vector<int> steps; juce::String text; juce::uint32 colour; float height; } rows[] = {
        { Label::goodMode, range (0, 15), "YES!!!", 0xFF008000, 30 },
        { Label::badMode, range (0, 11), "NO!", 0xFFFF0000, 20 },
        { Label::middlingMode, { 0 }, "middling", 0xFF9ACD32, 20 },
        // The instruction stays up through its hold and the fade, which ends fully transparent.
        { -1, instruction, chordInstruction, 0x00000000, 20 },
    };

    Label label ("new label", {});

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.mode);
        label.setVisible (false);
        label.mode = row.mode;
        EXPECT_EQ (playThrough (label, label.step), row.steps);
        EXPECT_EQ (std::tuple (label.getText(), label.findColour (juce::Label::textColourId).getARGB(),
                               label.getFont().getHeight(), label.isVisible()),
                   std::tuple (row.text, row.colour, row.height, row.mode >= 0));
    }

    // The lamp starts at its brightest and comes to rest.
    KeysteadEditor::MidiInLight lamp;
    EXPECT_EQ (playThrough (lamp, lamp.level), (std::vector<int> { 5, 4, 3, 2, 1, 0 }));
}
