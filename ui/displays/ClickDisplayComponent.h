#pragma once

#include "ui/editor/KeysteadEditor.h"

/** The circular dial of the tempo half: the good and bad limits of tempo mode as pairs of radii
    about 12 o'clock, with their lengths in milliseconds. The limits live in the engine; the dial
    keeps references to them and writes them while the user drags a radius.

    Angles are degrees from 12 o'clock, positive clockwise. A radius runs from the centre to the
    top edge (not to the circle), so it exists only below 90 degrees. One full turn is one
    note-value interval. Message thread only. */
class KeysteadEditor::ClickDisplayComponent : public juce::Component
{
public:
    ClickDisplayComponent (RelaxedAtomic<float>& goodMetronome, RelaxedAtomic<float>& noChordMetronome);
    ~ClickDisplayComponent() override;

    void mouseMove (const juce::MouseEvent& event) override;
    void mouseDown (const juce::MouseEvent& event) override;
    void mouseDrag (const juce::MouseEvent& event) override;
    void mouseUp (const juce::MouseEvent& event) override;
    void paint (juce::Graphics& g) override;
    void resized() override;

    /** The tempo or the note value has changed by this ratio (new over old): both limits keep
        their length in milliseconds, within the dial's bounds. */
    void CircleSizeSecondsHasChanged (float ratio);

    /** The radius under the pointer, as for grabbedRadius; 0 off the ring between the central
        disc and the dial's edge, or more than one pixel below the centre line. */
    int MouseEventIsOverAMovableRadius (const juce::MouseEvent& event) const;

    /** Fills, in the current colour, the wedge between the radii at the two angles. */
    void DrawPieceOfCake (juce::Graphics& g, float fromAngle, float toAngle) const;

    /** Fills a band of widthDegrees along the radius at angle (away from 12 o'clock when both
        have the same sign) with a gradient from one colour at the radius to the other. */
    void DrawGradient (juce::Graphics& g, int angle, int widthDegrees, juce::Colour from, juce::Colour to) const;

    RelaxedAtomic<float>* goodMetronome;
    RelaxedAtomic<float>* noChordMetronome;

    /** The radius taken by the last press: 0 none, 1 left bad, 2 left good, 3 right good, 4 right bad. */
    int grabbedRadius = 0;

    juce::Label goodMsLabel, badMsLabel, goodLabel;

private:
    /** The pointer's angle; false when it lies more than one pixel below the centre line. */
    bool PointerAngle (const juce::MouseEvent& event, float& angle) const;

    juce::Point<float> TopEdgePoint (double angleDegrees) const;

    /** Tempo, note value and mode as the engine holds them, brought into their usable ranges. */
    struct EngineView { double tempo; int subdivisor; bool tempoMode; };
    EngineView ReadEngine() const;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ClickDisplayComponent)
};
