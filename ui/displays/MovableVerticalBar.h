#pragma once

#include "ui/displays/DisplayComponent.h"

/** One of the chord strip's two draggable limits. Its position is the x of its centre line in
    the strip, its bounds (x - 2, 0, 5, strip height). Dragged into its partner it pushes it,
    keeping the engine's smallest bar distance (25 ms) between them, and both stay within the
    engine's lowest bar position and the strip's end. After every drag step both positions are
    written to the engine. Message thread only. */
class KeysteadEditor::DisplayComponent::MovableVerticalBar : public juce::Component
{
public:
    MovableVerticalBar();
    ~MovableVerticalBar() override;

    void mouseDrag (const juce::MouseEvent& event) override;
    void mouseUp (const juce::MouseEvent& event) override;
    void paint (juce::Graphics& g) override;

    /** Puts the bar's bounds around currentX, keeping its height. */
    void PlaceAtCurrentX();

    MovableVerticalBar* partnerBar = nullptr;
    KeysteadProcessor* processor = nullptr;
    int startX = 0;    // position at the start of the current drag
    int currentX = 0;  // current position

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MovableVerticalBar)
};
