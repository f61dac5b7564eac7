// The widgets' real threads: what a start, an exit request and a stop do. Nothing here measures
// time; waits only let the threads reach the state being checked.

#include "UiTestSupport.h"

#include "ui/MidiInLight.h"
#include "ui/TwinkelingToggleButton.h"
#include "ui/TwinklelingLabel.h"

using namespace uitest;

namespace
{
    const juce::String chordInstruction =
        "You must play your chords with accuracy\n (il faut bien plaquer ses accords)";

    /** A START button that records every colour its updates give it. */
    struct RecordingButton : KeysteadEditor::TwinkelingToggleButton
    {
        RecordingButton() : TwinkelingToggleButton ("START") {}

        void colourChanged() override
        {
            TwinkelingToggleButton::colourChanged();
            seen.add (findColour (juce::TextButton::buttonColourId).getARGB());
        }

        juce::Array<juce::uint32> seen;
    };

    /** A lamp that counts the levels its paints show. */
    struct RecordingLight : KeysteadEditor::MidiInLight
    {
        void handleAsyncUpdate() override
        {
            MidiInLight::handleAsyncUpdate();
            levelsShown.add (level);
        }

        juce::Array<int> levelsShown;
    };
}

TEST (WidgetThreads, InstructionLabelIgnoresStartsWhileRunningAndAnExitRequestDoesNotWakeIt)
{
    KeysteadEditor::TwinklelingLabel label ("new label", {});
    label.setColour (juce::Label::textColourId, juce::Colours::red);

    ASSERT_TRUE (label.startThread());
    EXPECT_TRUE (pumpUntil ([&] { return label.getText() == "Play now!"; }));
    EXPECT_EQ (label.findColour (juce::Label::textColourId), juce::Colours::black);

    // The instruction itself is followed by the three-second wait.
    ASSERT_TRUE (pumpUntil ([&] { return label.getText() == chordInstruction; }));

    // A start while it runs does nothing: the sequence does not begin again.
    EXPECT_FALSE (label.startThread());

    // Asked to exit, it stays in its wait: still running, and a start now is lost too.
    label.signalThreadShouldExit();
    EXPECT_FALSE (label.startThread());
    pumpFor (300);
    EXPECT_TRUE (label.isThreadRunning());

    // A stop wakes the wait and ends it; the label is frozen at the step it had reached.
    EXPECT_TRUE (label.stopThread (-1));
    EXPECT_FALSE (label.isThreadRunning());
    pumpFor (50);
    EXPECT_EQ (label.getText(), chordInstruction);
    EXPECT_EQ (label.findColour (juce::Label::textColourId), juce::Colours::black);

    // Idle again, it can be started from the beginning.
    ASSERT_TRUE (label.startThread());
    EXPECT_TRUE (pumpUntil ([&] { return label.getText() == "Play now!"; }));
    EXPECT_TRUE (label.stopThread (-1));
}

TEST (WidgetThreads, VerdictAnimationsRunToTheirLastStep)
{
    KeysteadEditor::TwinklelingLabel label ("new label", {});
    label.setVisible (false);

    label.mode = KeysteadEditor::TwinklelingLabel::middlingMode;
    ASSERT_TRUE (label.startThread());
    EXPECT_TRUE (pumpUntil ([&] { return ! label.isThreadRunning(); }));
    pumpFor (20);
    EXPECT_EQ (label.getText(), "middling");
    EXPECT_TRUE (label.isVisible());

    label.mode = KeysteadEditor::TwinklelingLabel::goodMode;
    ASSERT_TRUE (label.startThread());
    EXPECT_TRUE (pumpUntil ([&] { return ! label.isThreadRunning(); }));
    pumpFor (20);
    EXPECT_EQ (label.step.load(), 15);
    EXPECT_EQ (label.getText(), "YES!!!");
    EXPECT_FLOAT_EQ (label.getFont().getHeight(), 30.0f);

    label.mode = KeysteadEditor::TwinklelingLabel::badMode;
    ASSERT_TRUE (label.startThread());
    EXPECT_TRUE (pumpUntil ([&] { return ! label.isThreadRunning(); }));
    pumpFor (20);
    EXPECT_EQ (label.step.load(), 11);
    EXPECT_EQ (label.getText(), "NO!");
    EXPECT_TRUE (label.isVisible());
    EXPECT_FLOAT_EQ (label.getFont().getHeight(), 20.0f);
}

TEST (WidgetThreads, StartButtonBlinksAndAlwaysEndsUnlit)
{
    RecordingButton start;

    ASSERT_TRUE (start.startThread());
    EXPECT_TRUE (pumpUntil ([&] { return start.seen.contains (0xFFFBFFBB); }));

    // A stop request during a wait: the start request that follows is lost while it finishes.
    start.signalThreadShouldExit();
    EXPECT_FALSE (start.startThread());

    EXPECT_TRUE (start.stopThread (-1));
    pumpFor (30);
    EXPECT_EQ (start.findColour (juce::TextButton::buttonColourId).getARGB(), 0xFFFFFFFFu);
    EXPECT_FALSE (start.isThreadRunning());
}

TEST (WidgetThreads, LampFlashRunsDownToRestAndIsNotRestartedMeanwhile)
{
    RecordingLight lamp;
    lamp.setBounds (0, 0, 12, 12);

    ASSERT_TRUE (lamp.startThread());
    int refusedStarts = 0;

    while (lamp.isThreadRunning())
    {
        refusedStarts += lamp.startThread() ? 0 : 1;   // as the audio thread does on each note-on
        pumpFor (5);
    }

    pumpFor (20);
    EXPECT_GT (refusedStarts, 0);
    EXPECT_EQ (lamp.level.load(), 0);
    ASSERT_FALSE (lamp.levelsShown.isEmpty());
    EXPECT_EQ (lamp.levelsShown.getLast(), 0);

    // Levels only go down during one flash: it never started again from 5.
    for (int i = 1; i < lamp.levelsShown.size(); ++i)
        EXPECT_LE (lamp.levelsShown[i], lamp.levelsShown[i - 1]);

    // The first start after it has ended flashes again.
    lamp.levelsShown.clear();
    ASSERT_TRUE (lamp.startThread());
    EXPECT_TRUE (pumpUntil ([&] { return ! lamp.isThreadRunning(); }));
    pumpFor (20);
    EXPECT_EQ (lamp.levelsShown.getLast(), 0);
}

TEST (WidgetThreads, AWidgetDestroyedWhileRunningStopsItsThreadAndGetsNoLateUpdate)
{
    // Owners stop the threads first; a widget must still never outlive its thread or be
    // updated after it has gone.
    auto label = std::make_unique<KeysteadEditor::TwinklelingLabel> ("new label", juce::String());
    auto lamp = std::make_unique<KeysteadEditor::MidiInLight>();
    auto start = std::make_unique<KeysteadEditor::TwinkelingToggleButton> ("START");

    ASSERT_TRUE (label->startThread());
    ASSERT_TRUE (lamp->startThread());
    ASSERT_TRUE (start->startThread());
    EXPECT_TRUE (pumpUntil ([&] { return label->getText() == "Play now!"; }));

    label.reset();
    lamp.reset();
    start.reset();
    pumpFor (50);
}
