#pragma once

#include "ui/editor/KeysteadEditor.h"

/** The phase dots of the recent notes, drawn over the click dial relative to the player's
    reference phase and fading with age. Lets every mouse event through to the dial. Its update,
    triggered by the engine after judged notes, also refreshes the editor's result labels. */
class KeysteadEditor::S1ListDisplayComponent : public juce::Component,
                                               public juce::AsyncUpdater
{
public:
    explicit S1ListDisplayComponent (juce::AudioProcessor& processor);

    /** Deletes the halos still attached; those not yet attached find the display gone and end. */
    ~S1ListDisplayComponent() override;

    void paint (juce::Graphics& g) override;
    void handleAsyncUpdate() override;

    /** Where a phase lies on a display of this size, from its offset from the reference (a
        fraction of a turn in [0, 1)): that angle clockwise from 12 o'clock, at radius times the
        half size. */
    static juce::Point<float> DotPosition (float offsetFromReference, float radius, int width, int height) noexcept;

    /** The short halo around a new dot; it attaches itself to the display, animates and deletes
        itself. */
    class ShortLigthedNewPoint;

    juce::AudioProcessor& processor;

    // Made here, on the message thread, so that the weak references to the display that the
    // audio thread's messages carry only ever share it.
    const juce::Component::SafePointer<S1ListDisplayComponent> weakSelf { this };

private:

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (S1ListDisplayComponent)
};
