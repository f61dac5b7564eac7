#pragma once

#include <memory>

#include <juce_gui_basics/juce_gui_basics.h>

class AudioProcessorWITHMidiInFilter;

/** The panel of the MIDI-input filter window: a channel filter (toggle and channel list) and a
    note-range filter (toggle, two-thumb slider and the two notes' names). Every change goes
    into the engine's filter fields at once. */
class MidiInFilterComponent : public juce::Component,
                              public juce::Button::Listener,
                              public juce::ComboBox::Listener,
                              public juce::Slider::Listener
{
public:
    explicit MidiInFilterComponent (AudioProcessorWITHMidiInFilter* filterProcessor);
    ~MidiInFilterComponent() override;

    void paint (juce::Graphics& g) override;
    void resized() override;

    void buttonClicked (juce::Button* button) override;
    void comboBoxChanged (juce::ComboBox* comboBox) override;
    void sliderValueChanged (juce::Slider* slider) override;

    /** Shows the names of the lowest and the highest note of the range. */
    void UpdateTextEditors();

    /** "C-2" ... "G8", middle C (60) being "C3"; sharps for C# and F#, flats otherwise. */
    static juce::String NoteName (int noteNumber);

    static constexpr int panelWidth = 400, panelHeight = 250;

    AudioProcessorWITHMidiInFilter* processor;

    std::unique_ptr<juce::ToggleButton> channelToggle;
    std::unique_ptr<juce::ToggleButton> rangeToggle;
    std::unique_ptr<juce::ComboBox> channelCombo;
    std::unique_ptr<juce::Slider> rangeSlider;
    std::unique_ptr<juce::Label> lowNoteLabel;
    std::unique_ptr<juce::Label> highNoteLabel;
    std::unique_ptr<juce::Label> fromLabel;
    std::unique_ptr<juce::Label> toLabel;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MidiInFilterComponent)
};
