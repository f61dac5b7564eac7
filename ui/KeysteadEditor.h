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

    void paint (juce::Graphics& g) override;

    static constexpr int editorWidth = 734;
    static constexpr int editorHeight = 564;

    /** The green of the good zones and the pink of the bad zones. */
    static const juce::Colour MS_GOOD_COLOUR;
    static const juce::Colour MS_BAD_COLOUR;

    /** A quarter turn in radians; phases and dial limits are turned into angles with it. */
    static constexpr double PI_OVER_2 = 1.5707963267948966;

    /** The window's background picture (734 x 564), decoded once on first use through the image
        cache and kept until the program ends. Empty if it cannot be decoded. */
    static juce::Image& GetBackground();

    // The animated children: each is a component with its own small thread that only waits,
    // changes one field and posts an update; the update does the work on the message thread.
    // Their owner starts them, asks them to exit, and stops them before destroying them.
    class TwinkelingToggleButton;
    class TwinklelingLabel;
    class MidiInLight;

    /** The tempo-mode switch ("ON"); the instruction label reads its state. */
    std::unique_ptr<juce::ToggleButton> tempoOnButton;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (KeysteadEditor)
};
