#include "ui/displays/ShortLigthedNewPoint.h"

using Halo = KeysteadEditor::S1ListDisplayComponent::ShortLigthedNewPoint;

Halo::ShortLigthedNewPoint (S1ListDisplayComponent* display, int x, int y)
    : juce::Thread ("Lighting new notes"), parent (display), centreX (x), centreY (y)
{
    // Covers the whole display, which it joins in its first update.
    if (display != nullptr)
        setBounds (0, 0, display->getWidth(), display->getHeight());
}

Halo::~ShortLigthedNewPoint()
{
    // The thread first: once it is stopped nothing can trigger another update.
    stopThread (-1);
    cancelPendingUpdate();

    if (auto* display = getParentComponent())
        display->removeChildComponent (this);
}

void Halo::run()
{
    while (! threadShouldExit())
    {
        triggerAsyncUpdate();
        wait (NewPointHalo::stepMs);

        if (step > 0)
            step = step - 1;
    }

    finished = true;
    triggerAsyncUpdate();
}

void Halo::handleAsyncUpdate()
{
    JUCE_ASSERT_MESSAGE_THREAD

    if (finished)
    {
        stopThread (-1);
        delete this;
        return;
    }

    if (getParentComponent() == nullptr)
    {
        if (parent == nullptr)
        {
            // The display has gone: nothing to show, end at once.
            signalThreadShouldExit();
            notify();
            return;
        }

        setVisible (true);
        parent->addChildComponent (this);
    }

    if (step == 0)
        signalThreadShouldExit();
    else
        repaint();
}

void Halo::paint (juce::Graphics& g)
{
    NewPointHalo::Paint (g, step, centreX, centreY);
}
