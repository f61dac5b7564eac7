#include "ui/displays/AsyncRepaint.h"

#include <algorithm>

using Repaint = KeysteadEditor::DisplayComponent::NewChordThread::AsyncRepaint;

Repaint::AsyncRepaint (DisplayComponent& d) : display (d)
{
    const juce::ScopedLock pendingRepaintsLock (display.pendingRepaintsLock);
    display.pendingRepaints.push_back (this);
}

Repaint::~AsyncRepaint()
{
    cancelPendingUpdate();

    const juce::ScopedLock pendingRepaintsLock (display.pendingRepaintsLock);
    auto& pending = display.pendingRepaints;
    pending.erase (std::remove (pending.begin(), pending.end(), this), pending.end());
}

void Repaint::handleAsyncUpdate()
{
    display.repaint();
    delete this;
}
