#pragma once

#include "engine/RelaxedAtomic.h"
#include "ui/displays/DisplayComponent.h"
#include "ui/displays/NewPointHalo.h"

/** Paces the halo of the strip's newest point: six repaints, 50 ms apart, at steps 5 down to
    0. Started again while it runs, it carries on, so a new chord moves the halo without
    restarting it. It only waits, counts and posts repaint messages. */
class KeysteadEditor::DisplayComponent::NewChordThread : public juce::Thread
{
public:
    explicit NewChordThread (DisplayComponent& display);
    ~NewChordThread() override;

    void run() override;

    /** A repaint of the strip posted by the thread; deletes itself once delivered. */
    class AsyncRepaint;

    DisplayComponent& display;
    RelaxedAtomic<int> step { NewPointHalo::firstStep };  // written by the thread, read by the strip's paint

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (NewChordThread)
};
