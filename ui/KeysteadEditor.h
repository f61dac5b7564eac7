#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/RelaxedAtomic.h"

/** The engine's editor: the whole visible face of the program, 734 x 564 pixels.

    For now it is only the framework's editor base at its final size, built from the engine's
    values; its controls, displays and animations are not on it yet.
*/
class KeysteadEditor : public juce::AudioProcessorEditor
{
public:
    /** The engine's current values, in the order the engine passes them. The two limits of the
        click dial are kept by reference: the dial reads and writes the engine's fields. */
    KeysteadEditor (juce::AudioProcessor& processorToEdit,
                    int goodNoMetronome,
                    int noChordNoMetronome,
                    RelaxedAtomic<float>& goodMetronome,
                    RelaxedAtomic<float>& noChordMetronome,
                    bool tempoMode,
                    bool metronomeMode,
                    int tempo,
                    int subdivisor,
                    float clickVolume,
                    float booVolume);

    ~KeysteadEditor() override;

    static constexpr int editorWidth = 734;
    static constexpr int editorHeight = 564;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KeysteadEditor)
};
