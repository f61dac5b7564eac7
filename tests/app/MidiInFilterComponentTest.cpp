#include <gtest/gtest.h>

#include "app/MidiInFilterComponent.h"
#include "engine/KeysteadProcessor.h"

namespace
{
    // The panel as the user sees it: its children's enabling in creation order (the two toggles,
    // the channel list, the slider, the two note names, "from", "to"), then the two filters.
    juce::String shown (const MidiInFilterComponent& p)
    {
        juce::String text;

        for (auto* child : p.getChildren())
            text << (child->isEnabled() ? "+" : "-");

        return text << (p.channelToggle->getToggleState() ? " channel on " : " channel off ") << p.channelCombo->getSelectedId()
                    << (p.rangeToggle->getToggleState() ? ", range on " : ", range off ") << p.lowNoteLabel->getText() << ".." << p.highNoteLabel->getText();
    }

    // The engine's five filter fields.
    juce::String fields (const AudioProcessorWITHMidiInFilter& e)
    {
        return juce::String::formatted ("%d %d %d %d..%d", (int) e.filterMidiChannel, (int) e.midiChannel, (int) e.filterMidiRange,
                                        (int) e.lowestNote, (int) e.highestNote);
    }
}

TEST (MidiInFilterComponent, ShowsTheEnginesValuesAndWritesEveryChangeToItAtOnce)
{
    KeysteadProcessor engine;
    engine.filterMidiChannel = true;
    engine.midiChannel = 5;
    engine.lowestNote = 36;
    engine.highestNote = 84;
    MidiInFilterComponent panel (&engine);
    EXPECT_EQ (shown (panel), "+++----- channel on 5, range off C1..C5");
    EXPECT_EQ (fields (engine), "1 5 0 36..84") << "building the panel changes nothing";

    panel.channelCombo->setSelectedId (11, juce::sendNotificationSync);
    panel.channelToggle->setToggleState (false, juce::sendNotificationSync);
    EXPECT_EQ (fields (engine), "0 11 0 36..84") << "the channel stays for the next time the filter is on";

    panel.rangeToggle->setToggleState (true, juce::sendNotificationSync);
    panel.rangeSlider->setMaxValue (100, juce::sendNotificationSync);
    EXPECT_EQ (shown (panel), "++-+++++ channel off 11, range on C1..E6");
    EXPECT_EQ (fields (engine), "0 11 1 36..100");

    juce::StringArray names;

    for (int note : { 0, 23, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 127 })
        names.add (MidiInFilterComponent::NoteName (note));

    EXPECT_EQ (names.joinIntoString (" "), "C-2 B-1 C3 C#3 D3 Eb3 E3 F3 F#3 G3 Ab3 A3 Bb3 B3 G8");
}
