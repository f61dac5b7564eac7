#include "ui/S1ListDisplayComponent.h"

KeysteadEditor::S1ListDisplayComponent::S1ListDisplayComponent (juce::AudioProcessor& p)
    : processor (p)
{
    setInterceptsMouseClicks (false, false);
}

KeysteadEditor::S1ListDisplayComponent::~S1ListDisplayComponent()
{
    cancelPendingUpdate();
}

void KeysteadEditor::S1ListDisplayComponent::handleAsyncUpdate()
{
    repaint();
}
