#pragma once

#include "ui/editor/KeysteadEditor.h"

/** The small lamp beside "MIDI In": flashes for each audio block that brings a note-on.

    A flash runs from level 5 down to 0 in 50 ms steps (250 ms); starting it again while it runs
    does nothing, so note-ons during a flash do not restart it. At rest it shows its dim colour.
*/
class KeysteadEditor::MidiInLight : public juce::Component,
                                    public juce::Thread,
                                    public juce::AsyncUpdater
{
public:
    MidiInLight();

    /** The owner stops the thread first; should it not have, the thread is stopped here so it
        never outlives the lamp, and a pending update is dropped. */
    ~MidiInLight() override;

    void paint (juce::Graphics&) override;
    void run() override;
    void handleAsyncUpdate() override;

    /** The lamp's colour at a brightness level from 0 (resting) to 5 (brightest). */
    static juce::Colour colourForLevel (int level);

    /** Brightness: 5 brightest, 0 resting. Written only by the flash thread. */
    RelaxedAtomic<int> level { 0 };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiInLight)
};
