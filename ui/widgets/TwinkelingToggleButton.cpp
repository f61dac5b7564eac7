#include "ui/widgets/TwinkelingToggleButton.h"

KeysteadEditor::TwinkelingToggleButton::TwinkelingToggleButton (const juce::String& buttonText)
    : juce::ToggleButton (buttonText),
      juce::Thread ("Twinkeling Button thread")
{
}

KeysteadEditor::TwinkelingToggleButton::~TwinkelingToggleButton()
{
    stopThread (-1);
    cancelPendingUpdate();
}

void KeysteadEditor::TwinkelingToggleButton::run()
{
    // An exit request does not cut a wait short: the blink ends at its next check.
    while (! threadShouldExit())
    {
        wait (150);
        lit = true;
        triggerAsyncUpdate();

        if (threadShouldExit())
            break;

        wait (100);
        lit = false;
        triggerAsyncUpdate();
    }

    lit = false;
    triggerAsyncUpdate();
}

void KeysteadEditor::TwinkelingToggleButton::handleAsyncUpdate()
{
    // A toggle button repaints itself when its colour changes.
    setColour (juce::TextButton::buttonColourId, juce::Colour (lit ? ZibLookAndFeel::blinkLitColour : unlitColour));
}
