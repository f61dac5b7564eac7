#include "ui/displays/NewChordThread.h"

#include "ui/displays/AsyncRepaint.h"

using ChordThread = KeysteadEditor::DisplayComponent::NewChordThread;

ChordThread::NewChordThread (DisplayComponent& d)
    : juce::Thread ("NewChordThread"), display (d)
{
}

ChordThread::~NewChordThread()
{
    stopThread (-1);
}

void ChordThread::run()
{
    step = NewPointHalo::firstStep;

    for (;;)
    {
        if (threadShouldExit())
            return;

        (new AsyncRepaint (display))->triggerAsyncUpdate();

        if (step < 1)
            return;

        wait (NewPointHalo::stepMs);
        step = step - 1;
    }
}
