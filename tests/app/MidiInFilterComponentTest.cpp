#include <gtest/gtest.h>

#include "app/MidiInFilterComponent.h"
#include "engine/KeysteadProcessor.h"

namespace
{
    struct ChildSpec
    {
        juce::Component* child;
        const char* name;
        juce::Rectangle<int> bounds;
    };

    void expectLabel (const juce::Label& label, const char* text, juce::Justification justification)
    {
        SCOPED_TRACE (text);
        EXPECT_EQ (label.getText(), text);
        EXPECT_EQ (label.getJustificationType(), justification);
        EXPECT_EQ (label.getFont().getHeight(), 15.0f);
        EXPECT_EQ (label.getFont().getTypefaceStyle(), "Regular");
        EXPECT_FALSE (label.isEditableOnSingleClick());
        EXPECT_FALSE (label.isEditableOnDoubleClick());
        EXPECT_EQ (label.findColour (juce::TextEditor::textColourId), juce::Colours::black);
        EXPECT_EQ (label.findColour (juce::TextEditor::backgroundColourId), juce::Colour (0x00000000));
    }
}

TEST (MidiInFilterComponent, ChildrenHaveTheirTextsBoundsAndSettings)
{
    KeysteadProcessor engine;
    MidiInFilterComponent panel (&engine);

    EXPECT_EQ (panel.getWidth(), 400);
    EXPECT_EQ (panel.getHeight(), 250);

    const ChildSpec children[] = {
        { panel.channelToggle.get(), "new toggle button", { 40, 48, 80, 24 } },
        { panel.rangeToggle.get(),   "new toggle button", { 40, 152, 80, 24 } },
        { panel.channelCombo.get(),  "new combo box",     { 136, 48, 80, 24 } },
        { panel.rangeSlider.get(),   "new slider",        { 128, 152, 240, 24 } },
        { panel.lowNoteLabel.get(),  "new label",         { 200, 176, 40, 24 } },
        { panel.highNoteLabel.get(), "new label",         { 272, 176, 40, 24 } },
        { panel.fromLabel.get(),     "new label",         { 160, 176, 40, 24 } },
        { panel.toLabel.get(),       "new label",         { 240, 176, 24, 24 } },
    };

    ASSERT_EQ (panel.getNumChildComponents(), 8);

    for (int i = 0; i < 8; ++i)
    {
        SCOPED_TRACE (i);
        EXPECT_EQ (panel.getChildComponent (i), children[i].child) << "creation and z-order";
        EXPECT_EQ (children[i].child->getName(), children[i].name);
        EXPECT_EQ (children[i].child->getBounds(), children[i].bounds);
        EXPECT_TRUE (children[i].child->isVisible());
    }

    EXPECT_EQ (panel.channelToggle->getButtonText(), "chanel");
    EXPECT_EQ (panel.rangeToggle->getButtonText(), "range");

    auto& combo = *panel.channelCombo;
    EXPECT_FALSE (combo.isTextEditable());
    EXPECT_EQ (combo.getJustificationType(), juce::Justification::centredLeft);
    EXPECT_EQ (combo.getTextWhenNothingSelected(), "");
    EXPECT_EQ (combo.getTextWhenNoChoicesAvailable(), "(no choices)");
    ASSERT_EQ (combo.getNumItems(), 16);

    for (int i = 0; i < 16; ++i)
    {
        EXPECT_EQ (combo.getItemId (i), i + 1);
        EXPECT_EQ (combo.getItemText (i), juce::String (i + 1));
    }

    auto& slider = *panel.rangeSlider;
    EXPECT_EQ (slider.getMinimum(), 0.0);
    EXPECT_EQ (slider.getMaximum(), 127.0);
    EXPECT_EQ (slider.getInterval(), 1.0);
    EXPECT_EQ (slider.getSliderStyle(), juce::Slider::TwoValueHorizontal);
    EXPECT_EQ (slider.getTextBoxPosition(), juce::Slider::NoTextBox);

    expectLabel (*panel.lowNoteLabel, "C-2", juce::Justification::centred);
    expectLabel (*panel.highNoteLabel, "G8", juce::Justification::centredLeft);
    expectLabel (*panel.fromLabel, "from", juce::Justification::centredLeft);
    expectLabel (*panel.toLabel, "to", juce::Justification::centredLeft);

    const auto snapshot = panel.createComponentSnapshot ({ 0, 0, 400, 250 }, false);
    EXPECT_EQ (snapshot.getPixelAt (5, 5), juce::Colour (0xff323e44));
    EXPECT_EQ (snapshot.getPixelAt (395, 245), juce::Colour (0xff323e44));
}

TEST (MidiInFilterComponent, ShowsTheStoredValuesWithEnablingFollowingTheToggles)
{
    KeysteadProcessor engine;
    engine.filterMidiChannel = true;
    engine.midiChannel = 5;
    engine.filterMidiRange = false;
    engine.lowestNote = 36;
    engine.highestNote = 84;

    MidiInFilterComponent panel (&engine);

    EXPECT_TRUE (panel.channelToggle->getToggleState());
    EXPECT_EQ (panel.channelCombo->getSelectedId(), 5);
    EXPECT_TRUE (panel.channelCombo->isEnabled());
    EXPECT_FALSE (panel.rangeToggle->getToggleState());
    EXPECT_EQ (panel.rangeSlider->getMinValue(), 36.0);
    EXPECT_EQ (panel.rangeSlider->getMaxValue(), 84.0);
    EXPECT_EQ (panel.lowNoteLabel->getText(), "C1");
    EXPECT_EQ (panel.highNoteLabel->getText(), "C5");

    for (auto* c : { static_cast<juce::Component*> (panel.rangeSlider.get()), static_cast<juce::Component*> (panel.lowNoteLabel.get()),
                     static_cast<juce::Component*> (panel.highNoteLabel.get()), static_cast<juce::Component*> (panel.fromLabel.get()),
                     static_cast<juce::Component*> (panel.toLabel.get()) })
        EXPECT_FALSE (c->isEnabled());

    // Building the panel changes nothing in the engine.
    EXPECT_TRUE (engine.filterMidiChannel.load());
    EXPECT_EQ (engine.midiChannel.load(), 5);
    EXPECT_FALSE (engine.filterMidiRange.load());
    EXPECT_EQ (engine.lowestNote.load(), 36);
    EXPECT_EQ (engine.highestNote.load(), 84);
}

TEST (MidiInFilterComponent, EveryChangeIsWrittenToTheEngineAtOnce)
{
    KeysteadProcessor engine;
    engine.lowestNote = 36;
    engine.highestNote = 84;
    MidiInFilterComponent panel (&engine);
    EXPECT_FALSE (panel.channelCombo->isEnabled());

    panel.channelToggle->setToggleState (true, juce::sendNotificationSync);
    EXPECT_TRUE (engine.filterMidiChannel.load());
    EXPECT_TRUE (panel.channelCombo->isEnabled());

    panel.channelCombo->setSelectedId (11, juce::sendNotificationSync);
    EXPECT_EQ (engine.midiChannel.load(), 11);

    // Turning the filter off keeps the channel, ready for the next time it is turned on.
    panel.channelToggle->setToggleState (false, juce::sendNotificationSync);
    EXPECT_FALSE (engine.filterMidiChannel.load());
    EXPECT_FALSE (panel.channelCombo->isEnabled());
    EXPECT_EQ (panel.channelCombo->getSelectedId(), 11);
    EXPECT_EQ (engine.midiChannel.load(), 11);

    panel.rangeToggle->setToggleState (true, juce::sendNotificationSync);
    EXPECT_TRUE (engine.filterMidiRange.load());
    EXPECT_TRUE (panel.rangeSlider->isEnabled());
    EXPECT_TRUE (panel.toLabel->isEnabled());

    panel.rangeSlider->setMaxValue (100, juce::sendNotificationSync);
    EXPECT_EQ (engine.highestNote.load(), 100);
    EXPECT_EQ (engine.lowestNote.load(), 36) << "moving the upper thumb leaves the lower note";
    EXPECT_EQ (panel.highNoteLabel->getText(), "E6");

    for (const auto& [note, name] : { std::pair { 61, "C#3" }, { 63, "Eb3" }, { 70, "Bb3" }, { 66, "F#3" }, { 68, "Ab3" } })
    {
        panel.rangeSlider->setMinValue (note, juce::sendNotificationSync);
        EXPECT_EQ (engine.lowestNote.load(), note);
        EXPECT_EQ (panel.lowNoteLabel->getText(), name);
    }

    panel.rangeSlider->setMinAndMaxValues (0, 127, juce::sendNotificationSync);
    EXPECT_EQ (panel.lowNoteLabel->getText(), "C-2");
    EXPECT_EQ (panel.highNoteLabel->getText(), "G8");

    // The thumbs cannot cross, so the range never turns upside down through the panel.
    panel.rangeSlider->setMinAndMaxValues (50, 60, juce::sendNotificationSync);
    panel.rangeSlider->setMinValue (90, juce::sendNotificationSync);
    EXPECT_LE (engine.lowestNote.load(), engine.highestNote.load());

    panel.rangeToggle->setToggleState (false, juce::sendNotificationSync);
    EXPECT_FALSE (engine.filterMidiRange.load());
    EXPECT_EQ (engine.highestNote.load(), 60);
    EXPECT_FALSE (panel.rangeSlider->isEnabled());
}

TEST (MidiInFilterComponent, NamesNotesFromCMinus2ToG8)
{
    const std::pair<int, const char*> names[] = {
        { 0, "C-2" }, { 1, "C#-2" }, { 3, "Eb-2" }, { 23, "B-1" }, { 24, "C0" }, { 60, "C3" },
        { 61, "C#3" }, { 62, "D3" }, { 63, "Eb3" }, { 64, "E3" }, { 65, "F3" }, { 66, "F#3" },
        { 67, "G3" }, { 68, "Ab3" }, { 69, "A3" }, { 70, "Bb3" }, { 71, "B3" }, { 127, "G8" } };

    for (const auto& [note, name] : names)
        EXPECT_EQ (MidiInFilterComponent::NoteName (note), name) << note;
}
