#pragma once

#include "engine/RelaxedAtomic.h"
#include "ui/displays/NewPointHalo.h"
#include "ui/displays/S1ListDisplayComponent.h"

/** The halo that grows and fades around a new phase dot (NewPointHalo).

    It is built (and its thread started) in the message loop, from a message that the engine's
    new-dot hand-over posts, with no parent; its first update attaches it to the display, and
    the update after its thread has ended deletes it. Nobody else holds it. Its thread only
    waits, counts step down and triggers updates; every change to components happens in the
    update.

    The display is held by a weak reference: a halo whose display has gone (the editor closed)
    neither attaches nor paints, it just ends its thread and deletes itself. */
class KeysteadEditor::S1ListDisplayComponent::ShortLigthedNewPoint : public juce::Component,
                                                                     public juce::Thread,
                                                                     public juce::AsyncUpdater
{
public:
    /** Covers the whole display; centreX and centreY are the new dot's centre there. The builder
        starts the thread. */
    ShortLigthedNewPoint (S1ListDisplayComponent* parent, int centreX, int centreY);

    /** Cancels a pending update, stops the thread if it still runs and leaves the display. */
    ~ShortLigthedNewPoint() override;

    void paint (juce::Graphics& g) override;
    void run() override;
    void handleAsyncUpdate() override;

    juce::Component::SafePointer<S1ListDisplayComponent> parent;
    RelaxedAtomic<int> step { NewPointHalo::firstStep };  // written by the thread, read on the message thread
    int centreX, centreY;
    RelaxedAtomic<bool> finished { false };     // set by the thread when its loop has ended

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ShortLigthedNewPoint)
};
