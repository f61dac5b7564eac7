#pragma once

#include "ui/KeysteadEditor.h"

/** The circular dial of the tempo half: the good and bad limits of tempo mode as pairs of radii
    about 12 o'clock, with their lengths in milliseconds. The limits live in the engine; the dial
    keeps references to them. */
class KeysteadEditor::ClickDisplayComponent : public juce::Component
{
public:
    ClickDisplayComponent (RelaxedAtomic<float>& goodMetronome, RelaxedAtomic<float>& noChordMetronome);
    ~ClickDisplayComponent() override;

    /** The tempo or the note value has changed by this ratio (new over old): both limits keep
        their length in milliseconds. */
    void CircleSizeSecondsHasChanged (float ratio);

    RelaxedAtomic<float>* goodMetronome;
    RelaxedAtomic<float>* noChordMetronome;

    /** The radius taken by the last press: 0 none, 1 left bad, 2 left good, 3 right good, 4 right bad. */
    int grabbedRadius = 0;

    juce::Label goodMsLabel, badMsLabel, goodLabel;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ClickDisplayComponent)
};
