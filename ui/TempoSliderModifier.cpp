#include "ui/TempoSliderModifier.h"

TempoSliderModifier::TempoSliderModifier (KeysteadEditor* e, double newValue, double oldValue)
    : editor (e), newTempo (newValue), oldTempo (oldValue)
{
}

TempoSliderModifier::~TempoSliderModifier()
{
    cancelPendingUpdate();
}

void TempoSliderModifier::handleAsyncUpdate()
{
    delete this;
}
