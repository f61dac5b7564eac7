#pragma once

#include "ui/editor/KeysteadEditor.h"

/** An animated label, played by its own thread.

    mode chooses the animation the next start plays: 0 "YES!!!" growing in green, 1 "middling"
    in yellow-green, 2 "NO!" shrinking and then blinking in red, anything else the instruction
    sequence ("Play now!" five times, then the instruction for the current mode for three
    seconds, fading out). The owner writes mode before starting the thread, and shows or hides
    the label around start and exit.
*/
class KeysteadEditor::TwinklelingLabel : public juce::Label,
                                         public juce::Thread,
                                         public juce::AsyncUpdater
{
public:
    TwinklelingLabel (const juce::String& name, const juce::String& labelText);

    /** The owner stops the thread first; should it not have, the thread is stopped here so it
        never outlives the label, and a pending update is dropped. */
    ~TwinklelingLabel() override;

    void run() override;

    /** Acts on mode and step as they are now; merged triggers may skip steps. */
    void handleAsyncUpdate() override;

    static constexpr int goodMode = 0;
    static constexpr int middlingMode = 1;
    static constexpr int badMode = 2;

    /** The animation of the next start; read once by the thread when it starts. */
    RelaxedAtomic<int> mode { -1 };

    /** The animation's current step, set by the thread before each update. */
    RelaxedAtomic<int> step { 0 };

private:
    void playGrowingOrShrinking (int lastStep, int waitMs);
    void playInstruction();
    void showInstructionStep (int instructionStep);

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (TwinklelingLabel)
};
