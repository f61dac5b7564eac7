#pragma once

#include "ui/editor/KeysteadEditor.h"

/** The START button: a toggle that blinks while the analysis is stopped, inviting the user
    to start.

    Its thread alternates 150 ms in the normal colour with 100 ms lit; each change is posted to
    the message thread, which sets the button colour. The look and feel writes the raised
    button's text in translucent blue while the colour is the lit one. The blink always ends
    unlit.
*/
class KeysteadEditor::TwinkelingToggleButton : public juce::ToggleButton,
                                               public juce::Thread,
                                               public juce::AsyncUpdater
{
public:
    /** Clicking toggles its state. */
    explicit TwinkelingToggleButton (const juce::String& buttonText);

    /** The owner stops the thread first; should it not have, the thread is stopped here so it
        never outlives the button, and a pending update is dropped. */
    ~TwinkelingToggleButton() override;

    void run() override;
    void handleAsyncUpdate() override;

    /** The button colour during the lit half of the blink is the one the look and feel
        recognises (ZibLookAndFeel::blinkLitColour); in between it is this one. */
    static constexpr juce::uint32 unlitColour = 0xFFFFFFFF;

    /** True during the lit phase; written only by the blink thread, just before each update. */
    RelaxedAtomic<bool> lit { false };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TwinkelingToggleButton)
};
