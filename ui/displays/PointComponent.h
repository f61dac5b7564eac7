#pragma once

#include "ui/displays/DisplayComponent.h"

/** One judged chord on the strip, 4 x 4 pixels, fading with its age in the ring: opaque when
    newest, alpha 5 when it is the oldest of fifty. */
class KeysteadEditor::DisplayComponent::PointComponent : public juce::Component
{
public:
    PointComponent (juce::Colour colour, const int* ringIndex, int slot);
    ~PointComponent() override;

    void paint (juce::Graphics& g) override;

    /** The alpha of a point this many chords older than the newest one. */
    static juce::uint8 AlphaForAge (int age) noexcept;

    static constexpr int size = 4;

    juce::Colour colour;
    const int* ringIndex;  // the strip's slot of the newest point
    int slot;              // the slot this point was put in

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (PointComponent)
};
