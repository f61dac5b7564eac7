#include <cstring>

#include <gtest/gtest.h>

#include "tests/app/AppTestSupport.h"

namespace
{
    const juce::StringArray tableOrder { "tempoMode", "metronomeMode", "tempo", "subdivisor",
                                         "goodMetronome", "noChordMetronome", "goodNoMetronome",
                                         "noChordNoMetronome", "booVolume", "clickVolume",
                                         "filter_midi_chanel", "midi_chanel", "filter_midi_range",
                                         "highest_note", "lowest_note", "audioDeviceState" };

    juce::StringArray keysInFile (const juce::File& file)
    {
        juce::StringArray keys;

        if (auto xml = juce::parseXML (file))
            for (auto* e : xml->getChildWithTagNameIterator ("VALUE"))
                keys.add (e->getStringAttribute ("name"));

        return keys;
    }

    juce::String valueInFile (const juce::File& file, const juce::String& key)
    {
        if (auto xml = juce::parseXML (file))
            for (auto* e : xml->getChildWithTagNameIterator ("VALUE"))
                if (e->getStringAttribute ("name") == key)
                    return e->getStringAttribute ("val");

        return "<absent>";
    }

    juce::String fileWith (std::initializer_list<std::pair<const char*, const char*>> values)
    {
        juce::String text ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n");

        for (const auto& [key, value] : values)
            text << "  <VALUE name=\"" << key << "\" val=\"" << value << "\"/>\n";

        return text + "</PROPERTIES>\n";
    }

    void expectDefaults (const KeysteadProcessor& engine)
    {
        EXPECT_EQ (engine.tempoMode.load(), 0);
        EXPECT_EQ (engine.metronomeMode.load(), 0);
        EXPECT_EQ (engine.tempo.load(), 120.0);
        EXPECT_EQ (engine.subdivisor.load(), 1);
        EXPECT_EQ (engine.goodMetronome.load(), 30.0f);
        EXPECT_EQ (engine.noChordMetronome.load(), 60.0f);
        EXPECT_EQ (engine.goodNoMetronome.load(), 50);
        EXPECT_EQ (engine.noChordNoMetronome.load(), 100);
        EXPECT_EQ (engine.booVolume.load(), 1.0f);
        EXPECT_EQ (engine.clickVolume.load(), 1.0f);
        EXPECT_FALSE (engine.filterMidiChannel.load());
        EXPECT_EQ (engine.midiChannel.load(), 1);
        EXPECT_FALSE (engine.filterMidiRange.load());
        EXPECT_EQ (engine.highestNote.load(), 127);
        EXPECT_EQ (engine.lowestNote.load(), 0);
    }
}

TEST (SettingsFile, FirstRunStartsWithDefaultsAndWritesAllSixteenKeysInOrder)
{
    ScopedTemporaryHome home;

    {
        RunningApplication<> running;
        expectDefaults (*running.app->processor);
        EXPECT_FALSE (home.settingsFile().exists()) << "nothing is written before quitting";
    }

    EXPECT_EQ (keysInFile (home.settingsFile()), tableOrder);
    EXPECT_EQ (valueInFile (home.settingsFile(), "tempo"), "120.0");
    EXPECT_EQ (valueInFile (home.settingsFile(), "filter_midi_chanel"), "0");
    EXPECT_EQ (valueInFile (home.settingsFile(), "audioDeviceState"), "") << "no device here";
}

TEST (SettingsFile, RoundTripKeepsEveryValueAndDropsTheTemposFraction)
{
    ScopedTemporaryHome home;

    runOnce ([] (KeysteadProcessor& engine)
    {
        engine.tempoMode = 1;
        engine.metronomeMode = 1;
        engine.tempo = 121.37;
        engine.subdivisor = 3;
        engine.goodMetronome = 23.456789f;
        engine.noChordMetronome = 71.123456f;
        engine.goodNoMetronome = 61;
        engine.noChordNoMetronome = 140;
        engine.booVolume = 0.3f;
        engine.clickVolume = 0.7f;
        engine.filterMidiChannel = true;
        engine.midiChannel = 10;
        engine.filterMidiRange = true;
        engine.highestNote = 84;
        engine.lowestNote = 36;
    });

    EXPECT_EQ (valueInFile (home.settingsFile(), "tempo"), "121.37");

    RunningApplication<> second;
    const auto& engine = *second.app->processor;
    EXPECT_EQ (engine.tempoMode.load(), 1);
    EXPECT_EQ (engine.metronomeMode.load(), 1);
    EXPECT_EQ (engine.tempo.load(), 121.0);
    EXPECT_EQ (engine.subdivisor.load(), 3);
    EXPECT_EQ (engine.goodMetronome.load(), 23.456789f);
    EXPECT_EQ (engine.noChordMetronome.load(), 71.123456f);
    EXPECT_EQ (engine.goodNoMetronome.load(), 61);
    EXPECT_EQ (engine.noChordNoMetronome.load(), 140);
    EXPECT_EQ (engine.booVolume.load(), 0.3f);
    EXPECT_EQ (engine.clickVolume.load(), 0.7f);
    EXPECT_TRUE (engine.filterMidiChannel.load());
    EXPECT_EQ (engine.midiChannel.load(), 10);
    EXPECT_TRUE (engine.filterMidiRange.load());
    EXPECT_EQ (engine.highestNote.load(), 84);
    EXPECT_EQ (engine.lowestNote.load(), 36);
}

TEST (SettingsFile, RunThatChangesNothingRewritesNothingAndKeepsTheFilesOrder)
{
    ScopedTemporaryHome home;
    home.writeSettings (fileWith ({ { "lowest_note", "40" }, { "tempo", "100.0" }, { "extra", "kept" } }));

    { RunningApplication<> running; }
    const auto keys = keysInFile (home.settingsFile());
    ASSERT_EQ (keys.size(), 17);
    EXPECT_EQ (keys[0], "lowest_note");
    EXPECT_EQ (keys[1], "tempo");
    EXPECT_EQ (keys[2], "extra");
    EXPECT_EQ (keys[3], "tempoMode");

    const auto written = home.settingsFile().getLastModificationTime();
    juce::Thread::sleep (1100);
    { RunningApplication<> running; }
    EXPECT_EQ (home.settingsFile().getLastModificationTime(), written);
}

TEST (SettingsFile, KeysAreCaseSensitive)
{
    ScopedTemporaryHome home;
    home.writeSettings (fileWith ({ { "Tempo", "200" }, { "SUBDIVISOR", "3" }, { "Midi_Chanel", "9" } }));

    RunningApplication<> running;
    EXPECT_EQ (running.app->processor->tempo.load(), 120.0);
    EXPECT_EQ (running.app->processor->subdivisor.load(), 1);
    EXPECT_EQ (running.app->processor->midiChannel.load(), 1);
}

TEST (SettingsFile, DamagedFilesStartWithDefaultsAndSurviveUntilTheNextQuit)
{
    const char* damaged[] = {
        "this is not XML at all",
        "<?xml version=\"1.0\"?>\n<PROPERTIES>\n  <VALUE name=\"tempo\" val=\"200\"/>\n  <VALUE name=\"subdi",
        "<OTHER><VALUE name=\"tempo\" val=\"200\"/></OTHER>",
        "\x01\x02\x03\xff\xfe binary junk",
    };

    for (const auto* text : damaged)
    {
        SCOPED_TRACE (std::string (text));
        ScopedTemporaryHome home;
        home.settingsFile().getParentDirectory().createDirectory();
        home.settingsFile().replaceWithData (text, std::strlen (text));

        RunningApplication<> running;
        expectDefaults (*running.app->processor);

        juce::MemoryBlock onDisk;
        home.settingsFile().loadFileAsData (onDisk);
        EXPECT_EQ (onDisk, juce::MemoryBlock (text, std::strlen (text)));

        running.quit();
        EXPECT_EQ (keysInFile (home.settingsFile()), tableOrder);
    }
}

TEST (SettingsFile, ValuesOfTheWrongTypeTakeTheirDefaults)
{
    ScopedTemporaryHome home;
    home.writeSettings (fileWith ({ { "tempoMode", "yes" }, { "tempo", "fast" }, { "subdivisor", "" },
                                    { "goodMetronome", "nan" }, { "noChordMetronome", "inf" },
                                    { "booVolume", "loud" }, { "clickVolume", "1e999" },
                                    { "goodNoMetronome", "x50" }, { "filter_midi_chanel", "true" },
                                    { "midi_chanel", "ten" }, { "highest_note", "-" },
                                    { "audioDeviceState", "&lt;DEVICESETUP broken" } }));

    RunningApplication<> running;
    expectDefaults (*running.app->processor);
}

TEST (SettingsFile, OutOfRangeValuesAreBroughtIntoRange)
{
    {
        ScopedTemporaryHome home;
        home.writeSettings (fileWith ({ { "tempo", "99999999999999999999999" }, { "subdivisor", "9" },
                                        { "goodMetronome", "-20" }, { "noChordMetronome", "400" },
                                        { "goodNoMetronome", "-3" }, { "noChordNoMetronome", "900" },
                                        { "booVolume", "2.5" }, { "clickVolume", "-1" },
                                        { "midi_chanel", "0" }, { "highest_note", "300" }, { "lowest_note", "-5" } }));

        RunningApplication<> running;
        const auto& engine = *running.app->processor;
        EXPECT_EQ (engine.tempo.load(), 250.0);
        EXPECT_EQ (engine.subdivisor.load(), 4);
        EXPECT_EQ (engine.noChordMetronome.load(), 89.9f);
        EXPECT_EQ (engine.goodMetronome.load(), 4.5f);
        EXPECT_EQ (engine.noChordNoMetronome.load(), 176);
        EXPECT_EQ (engine.goodNoMetronome.load(), 29);
        EXPECT_EQ (engine.booVolume.load(), 1.0f);
        EXPECT_EQ (engine.clickVolume.load(), 0.0f);
        EXPECT_EQ (engine.midiChannel.load(), 1);
        EXPECT_EQ (engine.highestNote.load(), 127);
        EXPECT_EQ (engine.lowestNote.load(), 0);
    }

    {
        ScopedTemporaryHome home;
        home.writeSettings (fileWith ({ { "tempo", "5" }, { "subdivisor", "-2" },
                                        { "goodMetronome", "88" }, { "noChordMetronome", "50" },
                                        { "goodNoMetronome", "120" }, { "noChordNoMetronome", "20" },
                                        { "midi_chanel", "17" }, { "highest_note", "40" }, { "lowest_note", "90" } }));

        RunningApplication<> running;
        const auto& engine = *running.app->processor;
        EXPECT_EQ (engine.tempo.load(), 30.0);
        EXPECT_EQ (engine.subdivisor.load(), 1);
        EXPECT_EQ (engine.noChordMetronome.load(), 50.0f);
        EXPECT_EQ (engine.goodMetronome.load(), 45.5f) << "a gap below the bad limit";
        EXPECT_EQ (engine.noChordNoMetronome.load(), 58);
        EXPECT_EQ (engine.goodNoMetronome.load(), 29);
        EXPECT_EQ (engine.midiChannel.load(), 16);
        EXPECT_EQ (engine.lowestNote.load(), 40) << "an upside-down range is taken in order";
        EXPECT_EQ (engine.highestNote.load(), 90);
    }
}
