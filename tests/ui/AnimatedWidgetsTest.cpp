// The label's update handler driven step by step on the message thread, then the rules of the
// widgets' real threads. Nothing is timed.

#include "UiTestSupport.h"

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
    const auto metronome = juce::String::fromUTF8 ("You must follow the metronome with accuracy\n (il faut bien suivre le m\xc3\xa9tronome)");
    struct Row { int mode, firstStep; bool tempoOn; juce::String text; juce::uint32 colour; std::vector<float> heights; };
    const Row rows[] = {
        { -1, 0, false, "Play now!", 0xFF000000, { 15 } },  { -1, 1, false, "", 0xFF000000, { 15 } },
        { -1, 2, true, metronome, 0xFF000000, { 15 } },     { -1, 2, false, chordInstruction, 0xFF000000, { 15 } },
        { -1, 3, false, chordInstruction, 241u << 24, { 15 } }, { -1, 11, false, chordInstruction, 128u << 24, { 15 } },
        { -1, 19, false, chordInstruction, 14u << 24, { 15 } }, { -1, 20, false, chordInstruction, 0, { 15 } },
        { Label::middlingMode, 0, false, "middling", 0xFF9ACD32, { 15 } },
        { Label::goodMode, 0, false, "YES!!!", 0xFF008000, { 30, 35, 40, 45, 50, 30, 35, 40, 45, 50, 30, 35, 40, 45, 50, 30 } },
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
            EXPECT_EQ (std::tuple (label.getText(), label.findColour (juce::Label::textColourId).getARGB(), label.getFont().getHeight(), label.getFont().isBold(), label.isVisible()),
                       std::tuple (row.text, row.colour, std::abs (row.heights[i]), false, row.heights[i] > 0)) << "mode " << row.mode << " step " << row.firstStep + (int) i;
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
    ASSERT_TRUE (start.startThread() && pump ([&] { return colour() == 0xFFFBFFBB; }) && pump ([&] { return colour() == 0xFFFFFFFF; }));
    EXPECT_TRUE (start.stopThread (-1));
    EXPECT_FALSE (pump ([&] { return colour() != 0xFFFFFFFF; }, 100));

    // Destroyed while running, a widget stops its thread first and gets no late update.
    ASSERT_TRUE (label->startThread() && lamp.startThread() && start.startThread());
    label.reset();
    pump ([] { return false; }, 50);
}
