#include "app/MidiInFilterComponent.h"

#include <juce_audio_basics/juce_audio_basics.h>

#include "engine/AudioProcessorWITHMidiInFilter.h"
#include "ui/look/ZibLookAndFeel.h"

namespace
{
    std::unique_ptr<juce::ToggleButton> makeToggle (const juce::String& text)
    {
        auto toggle = std::make_unique<juce::ToggleButton> ("new toggle button");
        toggle->setButtonText (text);
        return toggle;
    }

    std::unique_ptr<juce::Label> makeLabel (const juce::String& text, juce::Justification justification)
    {
        auto label = std::make_unique<juce::Label> ("new label", text);
        ZibLookAndFeel::SetUpFixedLabel (*label, 15.0f, justification);
        return label;
    }
}

MidiInFilterComponent::MidiInFilterComponent (AudioProcessorWITHMidiInFilter* filterProcessor)
    : processor (filterProcessor)
{
    channelToggle = makeToggle (TRANS ("chanel"));
    addAndMakeVisible (*channelToggle);
    channelToggle->addListener (this);
    channelToggle->setBounds (40, 48, 80, 24);

    rangeToggle = makeToggle (TRANS ("range"));
    addAndMakeVisible (*rangeToggle);
    rangeToggle->addListener (this);
    rangeToggle->setBounds (40, 152, 80, 24);

    channelCombo = std::make_unique<juce::ComboBox> ("new combo box");
    addAndMakeVisible (*channelCombo);
    channelCombo->setEditableText (false);
    channelCombo->setJustificationType (juce::Justification::centredLeft);
    channelCombo->setTextWhenNothingSelected ({});
    channelCombo->setTextWhenNoChoicesAvailable (TRANS ("(no choices)"));
    channelCombo->addListener (this);
    channelCombo->setBounds (136, 48, 80, 24);

    rangeSlider = std::make_unique<juce::Slider> ("new slider");
    addAndMakeVisible (*rangeSlider);
    rangeSlider->setRange (0, 127, 1);
    rangeSlider->setSliderStyle (juce::Slider::TwoValueHorizontal);
    rangeSlider->setTextBoxStyle (juce::Slider::NoTextBox, false, 80, 20);
    rangeSlider->addListener (this);
    rangeSlider->setBounds (128, 152, 240, 24);

    lowNoteLabel = makeLabel (TRANS ("C#4"), juce::Justification::centred);
    addAndMakeVisible (*lowNoteLabel);
    lowNoteLabel->setBounds (200, 176, 40, 24);

    highNoteLabel = makeLabel (TRANS ("C#5"), juce::Justification::centredLeft);
    addAndMakeVisible (*highNoteLabel);
    highNoteLabel->setBounds (272, 176, 40, 24);

    fromLabel = makeLabel (TRANS ("from"), juce::Justification::centredLeft);
    addAndMakeVisible (*fromLabel);
    fromLabel->setBounds (160, 176, 40, 24);

    toLabel = makeLabel (TRANS ("to"), juce::Justification::centredLeft);
    addAndMakeVisible (*toLabel);
    toLabel->setBounds (240, 176, 24, 24);

    setSize (panelWidth, panelHeight);

    for (int channel = 1; channel <= 16; ++channel)
        channelCombo->addItem (juce::String (channel), channel);

    if (processor != nullptr)
    {
        channelToggle->setToggleState (processor->filterMidiChannel.load(), juce::dontSendNotification);
        channelCombo->setSelectedId (processor->midiChannel.load(), juce::dontSendNotification);
        rangeToggle->setToggleState (processor->filterMidiRange.load(), juce::dontSendNotification);

        // Both thumbs at once, so neither is held back by the other's initial position.
        rangeSlider->setMinAndMaxValues (processor->lowestNote.load(), processor->highestNote.load(),
                                         juce::dontSendNotification);
    }

    buttonClicked (channelToggle.get());
    buttonClicked (rangeToggle.get());
    UpdateTextEditors();
}

MidiInFilterComponent::~MidiInFilterComponent()
{
    channelToggle = nullptr;
    rangeToggle = nullptr;
    channelCombo = nullptr;
    rangeSlider = nullptr;
    lowNoteLabel = nullptr;
    highNoteLabel = nullptr;
    fromLabel = nullptr;
    toLabel = nullptr;
}

void MidiInFilterComponent::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xff323e44));
}

void MidiInFilterComponent::resized()
{
}

void MidiInFilterComponent::buttonClicked (juce::Button* button)
{
    const bool state = button->getToggleState();

    if (button == channelToggle.get())
    {
        if (processor != nullptr)
            processor->filterMidiChannel = state;

        channelCombo->setEnabled (state);
    }
    else if (button == rangeToggle.get())
    {
        if (processor != nullptr)
            processor->filterMidiRange = state;

        lowNoteLabel->setEnabled (state);
        highNoteLabel->setEnabled (state);
        rangeSlider->setEnabled (state);
        toLabel->setEnabled (state);
        fromLabel->setEnabled (state);
    }
}

void MidiInFilterComponent::comboBoxChanged (juce::ComboBox* comboBox)
{
    if (comboBox == channelCombo.get() && processor != nullptr)
        processor->midiChannel = channelCombo->getSelectedId();
}

void MidiInFilterComponent::sliderValueChanged (juce::Slider* slider)
{
    if (slider != rangeSlider.get())
        return;

    if (processor != nullptr)
    {
        processor->highestNote = (int) rangeSlider->getMaxValue();
        processor->lowestNote = (int) rangeSlider->getMinValue();
    }

    UpdateTextEditors();
}

void MidiInFilterComponent::UpdateTextEditors()
{
    if (processor == nullptr)
        return;

    lowNoteLabel->setText (NoteName (processor->lowestNote.load()), juce::dontSendNotification);
    highNoteLabel->setText (NoteName (processor->highestNote.load()), juce::dontSendNotification);
}

juce::String MidiInFilterComponent::NoteName (int noteNumber)
{
    const int pitchClass = ((noteNumber % 12) + 12) % 12;
    return juce::MidiMessage::getMidiNoteName (noteNumber, pitchClass == 1 || pitchClass == 6, true, 3);
}
