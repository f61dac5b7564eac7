#include "ui/editor/TempoSliderModifier.h"

#include "ui/displays/ClickDisplayComponent.h"

TempoSliderModifier::TempoSliderModifier (KeysteadEditor* e, double newValue, double oldValue)
    : editor (e), newTempo (newValue), oldTempo (oldValue), editorAlive (e->self)
{
}

TempoSliderModifier::~TempoSliderModifier()
{
    cancelPendingUpdate();
}

void TempoSliderModifier::handleAsyncUpdate()
{
    JUCE_ASSERT_MESSAGE_THREAD

    if (editorAlive != nullptr)
    {
        // No notification: the engine has its tempo already, and nothing is reset. The slider
        // rounds to its step and keeps within its range; the engine keeps the exact value.
        editor->tempoSlider->setValue (newTempo, juce::dontSendNotification);
        editor->clickDisplay->CircleSizeSecondsHasChanged ((float) (newTempo / oldTempo));
    }

    delete this;
}
