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
    EXPECT_EQ (panel.fromLabel->getText(), "from");
    EXPECT_EQ (panel.toLabel->getText(), "to");
    EXPECT_EQ (panel.lowNoteLabel->getText(), "C-2");
    EXPECT_EQ (panel.highNoteLabel->getText(), "G8");
    EXPECT_EQ (panel.rangeSlider->getSliderStyle(), juce::Slider::TwoValueHorizontal);

    juce::StringArray channelTexts;

    for (int i = 0; i < panel.channelCombo->getNumItems(); ++i)
        if (panel.channelCombo->getItemId (i) == i + 1)
            channelTexts.add (panel.channelCombo->getItemText (i));

    EXPECT_EQ (channelTexts.joinIntoString (" "), "1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16");
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

    for (const auto& [note, name] : { std::pair { 61, "C#3" }, { 63, "Eb3" }, { 70, "Bb3" } })
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
    juce::StringArray octave;

    for (int note = 60; note < 72; ++note)
        octave.add (MidiInFilterComponent::NoteName (note));

    EXPECT_EQ (octave.joinIntoString (" "), "C3 C#3 D3 Eb3 E3 F3 F#3 G3 Ab3 A3 Bb3 B3");
    EXPECT_EQ (MidiInFilterComponent::NoteName (0), "C-2");
    EXPECT_EQ (MidiInFilterComponent::NoteName (23), "B-1");
    EXPECT_EQ (MidiInFilterComponent::NoteName (127), "G8");
}
