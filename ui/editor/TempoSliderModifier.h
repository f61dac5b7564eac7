#pragma once

#include "ui/editor/KeysteadEditor.h"

/** Carries a tempo change made by the engine's tempo follow from the audio thread to the
    message thread: the tempo slider shows the new tempo (without notifying) and the click dial
    keeps its limits' milliseconds. Created with new and triggered by the engine; deletes itself
    at the end of its update. An update that runs after the editor has gone does nothing. */
class TempoSliderModifier : public juce::AsyncUpdater
{
public:
    /** Made on the audio thread while the editor is open. It shares the editor's weak
        reference rather than creating one, but it is not free of allocation or locks: it is
        allocated with new, the framework's update base allocates its message, and
        triggerAsyncUpdate posts that message under the framework's message-queue lock. */
    TempoSliderModifier (KeysteadEditor* editor, double newTempo, double oldTempo);
    ~TempoSliderModifier() override;

    void handleAsyncUpdate() override;

    KeysteadEditor* editor;  // never null; not owned
    double newTempo;         // beats per minute, after the change
    double oldTempo;         // beats per minute, before it

private:
    /** Null once the editor has been deleted. */
    const juce::Component::SafePointer<KeysteadEditor> editorAlive;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TempoSliderModifier)
};
