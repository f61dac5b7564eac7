#pragma once

#include "EditorTestSupport.h"

namespace uitest
{
    // A mouse click as the framework delivers it: posted, then handled in the message loop,
    // radio partners switched off first.
    inline void click (juce::Button& button)
    {
        struct Seen : juce::Button::Listener
        {
            bool clicked = false;
            void buttonClicked (juce::Button*) override { clicked = true; }
        } seen;

        button.addListener (&seen);
        button.triggerClick();
        pump ([&] { return seen.clicked; });
        button.removeListener (&seen);
    }
}
