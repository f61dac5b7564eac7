#pragma once

#include "ui/NewChordThread.h"

class KeysteadEditor::DisplayComponent::NewChordThread::AsyncRepaint : public juce::AsyncUpdater
{
public:
    explicit AsyncRepaint (DisplayComponent* display);
    ~AsyncRepaint() override;

    void handleAsyncUpdate() override;

    juce::Component::SafePointer<DisplayComponent> display;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AsyncRepaint)
};
