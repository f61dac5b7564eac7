#pragma once

#include "ui/displays/NewChordThread.h"

/** One repaint of the strip, posted by the halo thread; deletes itself once delivered. The strip
    keeps the ones still on their way and deletes them if it goes first, so a repaint is never
    delivered to a strip that has gone. */
class KeysteadEditor::DisplayComponent::NewChordThread::AsyncRepaint : public juce::AsyncUpdater
{
public:
    /** Registers with the strip; made on the halo thread. */
    explicit AsyncRepaint (DisplayComponent& display);

    /** Cancels the delivery and leaves the strip's list. */
    ~AsyncRepaint() override;

    void handleAsyncUpdate() override;

    DisplayComponent& display;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (AsyncRepaint)
};
