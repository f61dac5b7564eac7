// The widgets' update handlers, driven step by step on the message thread (no thread runs).

#include "UiTestSupport.h"

#include "engine/KeysteadProcessor.h"
#include "ui/MidiInLight.h"
#include "ui/TwinkelingToggleButton.h"
#include "ui/TwinklelingLabel.h"

using namespace uitest;

namespace
{
    using Label = KeysteadEditor::TwinklelingLabel;

    struct TextChangeCounter : juce::Label::Listener
    {
        void labelTextChanged (juce::Label*) override { ++count; }
        int count = 0;
    };

    juce::uint32 textColour (const Label& label)
    {
        return label.findColour (juce::Label::textColourId).getARGB();
    }

    void showStep (Label& label, int step)
    {
        label.step = step;
        label.handleAsyncUpdate();
    }

    const juce::String metronomeInstruction = juce::String::fromUTF8 (
        "You must follow the metronome with accuracy\n (il faut bien suivre le m\xc3\xa9tronome)");
    const juce::String chordInstruction =
        "You must play your chords with accuracy\n (il faut bien plaquer ses accords)";
}

TEST (MidiInLight, ShowsItsSixColoursByLevel)
{
    const juce::uint32 expected[] = { 0xFF80722A, 0xFF998729, 0xFFB29C24, 0xFFCCB01B, 0xFFE6C30F, 0xFFFFD600 };

    KeysteadEditor::MidiInLight lamp;
    lamp.setBounds (0, 0, 12, 12);

    // At rest, before any flash, it shows the dim colour.
    EXPECT_EQ (snapshot (lamp).getPixelAt (6, 6).getARGB(), expected[0]);

    for (int level = 0; level <= 5; ++level)
    {
        lamp.level = level;
        const auto image = snapshot (lamp);
        EXPECT_EQ (image.getPixelAt (6, 6).getARGB(), expected[level]) << "level " << level;
        EXPECT_EQ (image.getPixelAt (0, 0).getAlpha(), 0) << "a round lamp leaves its corners";
    }
}

TEST (TwinkelingToggleButton, UpdateSetsTheLitOrWhiteButtonColour)
{
    KeysteadEditor::TwinkelingToggleButton start ("START");
    EXPECT_EQ (start.getName(), "START");
    EXPECT_EQ (start.getThreadName(), "Twinkeling Button thread");

    start.lit = true;
    start.handleAsyncUpdate();
    EXPECT_EQ (start.findColour (juce::TextButton::buttonColourId).getARGB(), 0xFFFBFFBBu);

    start.lit = false;
    start.handleAsyncUpdate();
    EXPECT_EQ (start.findColour (juce::TextButton::buttonColourId).getARGB(), 0xFFFFFFFFu);

    // Clicking toggles it.
    start.triggerClick();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    EXPECT_TRUE (start.getToggleState());
}

TEST (TwinklelingLabel, GoodVerdictGrowsInGreenAndEndsAt30)
{
    Label label ("new label", {});
    EXPECT_EQ (label.getThreadName(), "play now thread");
    EXPECT_EQ (label.mode.load(), -1);
    EXPECT_EQ (label.step.load(), 0);

    TextChangeCounter listener;
    label.juce::Label::addListener (&listener);
    label.setVisible (false);
    label.mode = Label::goodMode;

    const float heights[] = { 30, 35, 40, 45, 50, 30, 35, 40, 45, 50, 30, 35, 40, 45, 50, 30 };

    for (int step = 0; step <= 15; ++step)
    {
        showStep (label, step);
        EXPECT_TRUE (label.isVisible());
        EXPECT_EQ (label.getText(), "YES!!!");
        EXPECT_EQ (textColour (label), 0xFF008000u);
        EXPECT_FLOAT_EQ (label.getFont().getHeight(), heights[step]) << "step " << step;
        EXPECT_FALSE (label.getFont().isBold());
    }

    EXPECT_EQ (listener.count, 0);
    label.juce::Label::removeListener (&listener);
}

TEST (TwinklelingLabel, MiddlingKeepsWhateverFontItHas)
{
    Label label ("new label", {});
    label.setFont (juce::Font (25.4f));
    label.setVisible (false);

    label.mode = Label::middlingMode;
    showStep (label, 0);
    EXPECT_TRUE (label.isVisible());
    EXPECT_EQ (label.getText(), "middling");
    EXPECT_EQ (textColour (label), 0xFF9ACD32u);
    EXPECT_FLOAT_EQ (label.getFont().getHeight(), 25.4f);

    label.mode = Label::goodMode;
    showStep (label, 15);
    label.mode = Label::middlingMode;
    showStep (label, 0);
    EXPECT_FLOAT_EQ (label.getFont().getHeight(), 30.0f);

    label.mode = Label::badMode;
    showStep (label, 5);
    label.mode = Label::middlingMode;
    showStep (label, 0);
    EXPECT_FLOAT_EQ (label.getFont().getHeight(), 20.0f);
}

TEST (TwinklelingLabel, BadVerdictShrinksInRedThenBlinksAndEndsShown)
{
    Label label ("new label", {});
    label.setVisible (false);
    label.mode = Label::badMode;

    const float heights[] = { 45, 40, 35, 30, 25, 20 };

    for (int step = 0; step <= 5; ++step)
    {
        showStep (label, step);
        EXPECT_TRUE (label.isVisible());
        EXPECT_EQ (label.getText(), "NO!");
        EXPECT_EQ (textColour (label), 0xFFFF0000u);
        EXPECT_FLOAT_EQ (label.getFont().getHeight(), heights[step]);
    }

    for (int step = 6; step <= 11; ++step)
    {
        showStep (label, step);
        EXPECT_EQ (label.isVisible(), step % 2 == 1) << "step " << step;
        EXPECT_EQ (label.getText(), "NO!");
        EXPECT_FLOAT_EQ (label.getFont().getHeight(), 20.0f);
    }
}

TEST (TwinklelingLabel, InstructionFlashesThenShowsTheModesTextAndFadesOut)
{
    KeysteadProcessor processor;
    RelaxedAtomic<float> good { 10.0f }, noChord { 20.0f };
    KeysteadEditor editor (processor, 40, 80, good, noChord, true, true, 100, 1, 0.5f, 0.5f);
    editor.tempoOnButton = std::make_unique<juce::ToggleButton> ("ON");

    auto* label = new Label ("new label", metronomeInstruction);
    editor.addAndMakeVisible (label);
    TextChangeCounter listener;
    label->juce::Label::addListener (&listener);
    label->setColour (juce::Label::textColourId, juce::Colours::red);

    showStep (*label, 0);
    EXPECT_EQ (label->getText(), "Play now!");
    EXPECT_EQ (textColour (*label), 0xFF000000u);

    showStep (*label, 1);
    EXPECT_EQ (label->getText(), "");

    // The text follows the switch at the moment of the step.
    editor.tempoOnButton->setToggleState (true, juce::dontSendNotification);
    showStep (*label, 2);
    EXPECT_EQ (label->getText(), metronomeInstruction);

    editor.tempoOnButton->setToggleState (false, juce::dontSendNotification);
    showStep (*label, 2);
    EXPECT_EQ (label->getText(), chordInstruction);

    const std::pair<int, juce::uint32> fades[] = { { 3, 241 }, { 11, 128 }, { 19, 14 }, { 20, 0 } };

    for (auto [step, alpha] : fades)
    {
        showStep (*label, step);
        EXPECT_EQ (textColour (*label), alpha << 24) << "step " << step;
        EXPECT_EQ (label->getText(), chordInstruction);
    }

    EXPECT_EQ (listener.count, 0);
    label->juce::Label::removeListener (&listener);

    // Without the editor around it the label falls back to the chord instruction.
    Label orphan ("new label", {});
    showStep (orphan, 2);
    EXPECT_EQ (orphan.getText(), chordInstruction);

    editor.deleteAllChildren();
}
