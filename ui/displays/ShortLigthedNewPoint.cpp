#include "ui/displays/ShortLigthedNewPoint.h"

namespace
{
    const juce::Colour haloColour (0x00FFFF00);
    constexpr int alphaPerStep = 0x33;
}

using Halo = KeysteadEditor::S1ListDisplayComponent::ShortLigthedNewPoint;

Halo::ShortLigthedNewPoint (S1ListDisplayComponent* display, int x, int y)
    : juce::Thread ("Lighting new notes"), parent (display), centreX (x), centreY (y)
{
    // Still without a parent: bounds may be given on any thread.
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
        wait (stepMs);

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
    const int s = step;
    const int k = firstStep + 1 - s;
    g.setColour (haloColour.withAlpha ((juce::uint8) (s * alphaPerStep)));
    g.fillEllipse ((float) (centreX - 5 * k), (float) (centreY - 5 * k), (float) (10 * k + 4), (float) (10 * k + 4));
}
