#pragma once

#include "ui/KeysteadEditor.h"

/** The phase dots of the recent notes, drawn over the click dial relative to the player's
    reference phase and fading with age. Lets every mouse event through to the dial. Its update,
    triggered by the engine after judged notes, also refreshes the editor's result labels. */
class KeysteadEditor::S1ListDisplayComponent : public juce::Component,
                                               public juce::AsyncUpdater
{
public:
    explicit S1ListDisplayComponent (juce::AudioProcessor& processor);
    ~S1ListDisplayComponent() override;

    void handleAsyncUpdate() override;

    /** The short halo around a new dot; built on the audio thread, it attaches itself to the
        display, animates and deletes itself. */
    class ShortLigthedNewPoint;

    juce::AudioProcessor& processor;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (S1ListDisplayComponent)
};
