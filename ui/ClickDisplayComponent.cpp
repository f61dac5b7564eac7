#include "ui/ClickDisplayComponent.h"

KeysteadEditor::ClickDisplayComponent::ClickDisplayComponent (RelaxedAtomic<float>& good,
                                                              RelaxedAtomic<float>& noChord)
    : goodMetronome (&good), noChordMetronome (&noChord)
{
    addAndMakeVisible (goodMsLabel);
    addAndMakeVisible (badMsLabel);
    addAndMakeVisible (goodLabel);
}

KeysteadEditor::ClickDisplayComponent::~ClickDisplayComponent() = default;

void KeysteadEditor::ClickDisplayComponent::CircleSizeSecondsHasChanged (float)
{
    repaint();
}
