#pragma once

#include "ui/KeysteadEditor.h"

/** The chord strip of the chord half: 0 to 150 ms over 176 pixels, a green zone up to the good
    bar and a pink one up to the no-chord bar, and the last 50 judged chords as fading points. */
class KeysteadEditor::DisplayComponent : public juce::Component
{
public:
    /** processor may be null (an editor built on another processor); the bars then store nothing. */
    DisplayComponent (KeysteadEditor& editor, KeysteadProcessor* processor,
                      int goodNoMetronome, int noChordNoMetronome);
    ~DisplayComponent() override;

    /** One of the two draggable limits; its position is the x of its centre line in the strip,
        its bounds (x - 2, 0, 5, strip height). */
    class MovableVerticalBar : public juce::Component
    {
    public:
        MovableVerticalBar() = default;

        MovableVerticalBar* partnerBar = nullptr;
        KeysteadProcessor* processor = nullptr;
        int startX = 0;    // position at the start of the current drag
        int currentX = 0;  // current position
    };

    /** One judged chord; owned by the strip's ring of points. */
    class PointComponent;

    /** One chord on its way from the audio thread to the strip; deletes itself. */
    class AsyncAddChord;

    static constexpr int numPoints = 50;

    KeysteadEditor& editor;
    MovableVerticalBar goodBar, noChordBar;
    juce::Label goodMsLabel, noChordMsLabel, goodLabel, badLabel;

    /** Slot of the newest point. */
    int ringIndex = 0;

    /** The ring of the last chord points; a slot's old point is deleted when it is reused. */
    std::array<std::unique_ptr<PointComponent>, numPoints> points;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (DisplayComponent)
};

class KeysteadEditor::DisplayComponent::PointComponent : public juce::Component
{
public:
    PointComponent (juce::Colour colour, const int* ringIndex, int slot);

    juce::Colour colour;
    const int* ringIndex;
    int slot;
};

class KeysteadEditor::DisplayComponent::AsyncAddChord : public juce::AsyncUpdater
{
public:
    AsyncAddChord (DisplayComponent* display, float value, juce::Colour colour);
    ~AsyncAddChord() override;

    void handleAsyncUpdate() override;

    DisplayComponent* display;
    float value;
    juce::Colour colour;
};
