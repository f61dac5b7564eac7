#pragma once

#include "ui/displays/DisplayComponent.h"

/** One judged chord on its way from the audio thread to the strip: built and triggered there,
    it adds the point, refreshes the result labels and starts the halo on the message thread,
    then deletes itself. If the strip has gone meanwhile (the editor closed) it only deletes
    itself. */
class KeysteadEditor::DisplayComponent::AsyncAddChord : public juce::AsyncUpdater
{
public:
    AsyncAddChord (DisplayComponent* display, float value, juce::Colour colour);
    ~AsyncAddChord() override;

    void handleAsyncUpdate() override;

    juce::Component::SafePointer<DisplayComponent> display;
    float value;         // the chord's spread in ms
    juce::Colour colour;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AsyncAddChord)
};
