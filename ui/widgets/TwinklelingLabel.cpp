#include "ui/widgets/TwinklelingLabel.h"

namespace
{
    const juce::Colour goodColour (0xFF008000);
    const juce::Colour middlingColour (0xFF9ACD32);
    const juce::Colour badColour (0xFFFF0000);

    juce::Font plainFont (float height)
    {
        return juce::Font (height, juce::Font::plain);
    }

    // The instruction sequence: "Play now!" (step 0) and a blank (step 1) alternate, the fifth
    // "Play now!" staying a full second; then the instruction (step 2) for three seconds, then
    // eighteen fading steps.
    struct InstructionStep { int step; int waitMs; };

    constexpr InstructionStep instructionSchedule[] =
    {
        { 0, 200 }, { 1, 200 }, { 0, 200 }, { 1, 200 }, { 0, 200 }, { 1, 200 }, { 0, 200 }, { 1, 200 },
        { 0, 1000 }, { 1, 200 }, { 2, 3000 },
        { 3, 200 }, { 4, 200 }, { 5, 200 }, { 6, 200 }, { 7, 200 }, { 8, 200 }, { 9, 200 }, { 10, 200 },
        { 11, 200 }, { 12, 200 }, { 13, 200 }, { 14, 200 }, { 15, 200 }, { 16, 200 }, { 17, 200 },
        { 18, 200 }, { 19, 200 }, { 20, 200 },
    };

    const char* const metronomeInstruction =
        "You must follow the metronome with accuracy\n (il faut bien suivre le m\xc3\xa9tronome)";
    const char* const chordInstruction =
        "You must play your chords with accuracy\n (il faut bien plaquer ses accords)";

    /** Black whose opacity falls from 1 at step 2 to 0 at step 20. */
    juce::Colour fadingBlack (int fadeStep)
    {
        const int remaining = 20 - fadeStep;
        const int alpha = remaining <= 0 ? 0 : (remaining >= 18 ? 255 : (remaining * 255 + 9) / 18);
        return juce::Colour ((juce::uint8) 0, (juce::uint8) 0, (juce::uint8) 0, (juce::uint8) alpha);
    }
}

KeysteadEditor::TwinklelingLabel::TwinklelingLabel (const juce::String& name, const juce::String& labelText)
    : juce::Label (name, labelText),
      juce::Thread ("play now thread")
{
}

KeysteadEditor::TwinklelingLabel::~TwinklelingLabel()
{
    stopThread (-1);
    cancelPendingUpdate();
}

void KeysteadEditor::TwinklelingLabel::run()
{
    switch (mode.load())
    {
        case goodMode:
            playGrowingOrShrinking (15, 70);
            break;

        case middlingMode:
            step = 0;
            triggerAsyncUpdate();
            break;

        case badMode:
            playGrowingOrShrinking (11, 200);
            break;

        default:
            playInstruction();
            break;
    }
}

void KeysteadEditor::TwinklelingLabel::playGrowingOrShrinking (int lastStep, int waitMs)
{
    // One update per step, each followed by a wait, the last one included.
    for (step = 0;; step = step + 1)
    {
        if (threadShouldExit())
            return;

        triggerAsyncUpdate();
        wait (waitMs);

        if (step == lastStep)
            return;
    }
}

void KeysteadEditor::TwinklelingLabel::playInstruction()
{
    for (const auto& s : instructionSchedule)
    {
        step = s.step;

        if (threadShouldExit())
            return;

        triggerAsyncUpdate();
        wait (s.waitMs);
    }
}

void KeysteadEditor::TwinklelingLabel::handleAsyncUpdate()
{
    // A step posted just before the owner ended the animation must not bring the label back
    // (a "middling" over the running instruction after a quick STOP and START).
    if (threadShouldExit())
        return;

    const int currentStep = step;

    switch (mode.load())
    {
        case goodMode:
            if (currentStep == 0)
            {
                setVisible (true);
                setColour (textColourId, goodColour);
                setText ("YES!!!", juce::dontSendNotification);
            }

            setFont (plainFont ((float) (30 + 5 * (currentStep % 5))));
            break;

        case middlingMode:
            // The font is left as the previous animation (or the owner) set it.
            setVisible (true);
            setColour (textColourId, middlingColour);
            setText ("middling", juce::dontSendNotification);
            break;

        case badMode:
            if (currentStep == 0)
            {
                setVisible (true);
                setColour (textColourId, badColour);
                setText ("NO!", juce::dontSendNotification);
            }

            if (currentStep <= 5)
                setFont (plainFont ((float) (20 + 5 * (5 - currentStep))));
            else
                setVisible (currentStep % 2 == 1);

            break;

        default:
            showInstructionStep (currentStep);
            break;
    }
}

void KeysteadEditor::TwinklelingLabel::showInstructionStep (int instructionStep)
{
    switch (instructionStep)
    {
        case 0:
            setColour (textColourId, juce::Colours::black);
            setText ("Play now!", juce::dontSendNotification);
            break;

        case 1:
            setText ({}, juce::dontSendNotification);
            break;

        case 2:
        {
            // The instruction follows the tempo switch as it is now, not as it was at START.
            const auto* owner = dynamic_cast<const KeysteadEditor*> (getParentComponent());
            const bool tempoMode = owner != nullptr
                                && owner->tempoOnButton != nullptr
                                && owner->tempoOnButton->getToggleState();

            setText (juce::String::fromUTF8 (tempoMode ? metronomeInstruction : chordInstruction),
                     juce::dontSendNotification);
            break;
        }

        default:
            setColour (textColourId, fadingBlack (instructionStep));
            break;
    }
}
