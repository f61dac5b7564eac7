#include <vector>

#include "tests/app/AppTestSupport.h"
#include "app/SettingsFile.h"

namespace
{
    using Settings = AppTest;

    const auto tableOrder = juce::StringArray::fromTokens (
        "tempoMode metronomeMode tempo subdivisor goodMetronome noChordMetronome goodNoMetronome "
        "noChordNoMetronome booVolume clickVolume filter_midi_chanel midi_chanel filter_midi_range "
        "highest_note lowest_note audioDeviceState", false);

    // The engine's fifteen saved values in the file's order; given new values, it sets them too.
    std::vector<double> values (KeysteadProcessor& e, const std::vector<double>& newValues = {})
    {
        std::vector<double> old;
        const auto visit = [&] (auto& f)
        {
            old.push_back (f.load());
            if (! newValues.empty())
                f = decltype (f.load()) (newValues[old.size() - 1]);
        };

        visit (e.tempoMode), visit (e.metronomeMode), visit (e.tempo), visit (e.subdivisor);
        visit (e.goodMetronome), visit (e.noChordMetronome), visit (e.goodNoMetronome), visit (e.noChordNoMetronome);
        visit (e.booVolume), visit (e.clickVolume), visit (e.filterMidiChannel), visit (e.midiChannel);
        visit (e.filterMidiRange), visit (e.highestNote), visit (e.lowestNote);
        return old;
    }
}

TEST_F (Settings, FirstRunWritesEveryKeyInOrderAndARoundTripKeepsEveryValue)
{
    const std::vector<double> saved { 1, 1, 121.37, 3, 23.456789f, 71.123456f, 61, 140, 0.3f, 0.7f, 1, 10, 1, 84, 36 };

    {
        auto first = start();
        EXPECT_EQ (values (*first->processor, saved), values (*std::make_unique<KeysteadProcessor>()))
            << "a first run starts with the defaults";
    }

    EXPECT_EQ (savedValues().getAllKeys(), tableOrder);
    EXPECT_EQ (savedValues()["tempo"], "121.37");

    auto expected = saved;
    expected[2] = 121.0;  // the tempo comes back as a whole number
    EXPECT_EQ (values (*start()->processor), expected);

    // A run that changes nothing writes nothing, so the file stays as it was, down to its bytes.
    const auto extra = settingsFile().loadFileAsString().replace ("</PROPERTIES>", "<VALUE name=\"x\"/></PROPERTIES>");
    writeSettings (bytesOf (extra.toStdString()));
    const auto before = settingsBytes();
    start();
    EXPECT_EQ (settingsBytes(), before);
    EXPECT_FALSE (damagedFile().exists());
}

TEST_F (Settings, BadFilesGiveDefaultsOrClampedValuesAndADamagedOneIsKeptAsideWhenTheQuitWritesGoodValues)
{
    const auto defaults = values (*std::make_unique<KeysteadProcessor>());
    auto withTempo200 = defaults;
    withTempo200[2] = 200;

    // A good file with a tempo of 200 and one long value that brings it to about the given size.
    const auto fileOfSize = [] (juce::int64 size)
        { return fileWith ({ { "tempo", "200" }, { "padding", std::string ((size_t) size - 150, 'x') } }); };

    const struct { const char* name; juce::MemoryBlock bytes; std::vector<double> expected; bool damaged; } rows[] = {
        { "not XML", bytesOf ("this is not XML at all"), defaults, true },
        { "truncated", bytesOf ("<?xml version=\"1.0\"?>\n<PROPERTIES>\n<VALUE name=\"tempo\" val=\"200\"/>\n<VAL"),
          defaults, true },
        { "other root", bytesOf ("<OTHER><VALUE name=\"tempo\" val=\"200\"/></OTHER>"), defaults, true },
        { "binary", bytesOf ("\x01\x02\x03\xff\xfe binary junk"), defaults, true },
        // The framework slows down with the square of the keys in a file; one this big is not read.
        { "too large", fileOfSize (SettingsFile::largestReadableSize + 100), defaults, true },
        // Room for the keys that the quit adds.
        { "large", fileOfSize (SettingsFile::largestReadableSize - 2000), withTempo200, false },
        { "other case", fileWith ({ { "Tempo", "200" }, { "SUBDIVISOR", "3" }, { "Midi_Chanel", "9" } }),
          defaults, false },
        { "words", fileWith ({
              { "tempoMode", "yes" }, { "metronomeMode", "on" }, { "tempo", "fast" }, { "subdivisor", "" },
              { "goodMetronome", "nan" }, { "noChordMetronome", "inf" }, { "goodNoMetronome", "x50" },
              { "noChordNoMetronome", "wide" }, { "booVolume", "loud" }, { "clickVolume", "1e999" },
              { "filter_midi_chanel", "true" }, { "midi_chanel", "ten" }, { "filter_midi_range", "no" },
              { "highest_note", "-" }, { "lowest_note", "C3" }, { "audioDeviceState", "&lt;DEVICESETUP broken" } }),
          defaults, false },
        { "out of range", fileWith ({
              { "tempo", "99999999999999999999999" }, { "subdivisor", "9" }, { "goodMetronome", "-20" },
              { "noChordMetronome", "400" }, { "goodNoMetronome", "-3" }, { "noChordNoMetronome", "900" },
              { "booVolume", "2.5" }, { "clickVolume", "-1" }, { "midi_chanel", "0" },
              { "highest_note", "300" }, { "lowest_note", "-5" } }),
          { 0, 0, 250, 4, 4.5f, 89.9f, 29, 176, 1, 0, 0, 1, 0, 127, 0 }, false },
        // The limits keep a gap below the bad one; an upside-down note range is taken in order.
        { "crossed", fileWith ({
              { "tempo", "5" }, { "subdivisor", "-2" }, { "goodMetronome", "88" }, { "noChordMetronome", "50" },
              { "goodNoMetronome", "120" }, { "noChordNoMetronome", "20" }, { "midi_chanel", "17" },
              { "highest_note", "40" }, { "lowest_note", "90" } }),
          { 0, 0, 30, 1, 45.5f, 50, 29, 58, 1, 1, 0, 16, 0, 90, 40 }, false },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        writeSettings (row.bytes);
        const auto keptBefore = bytesIn (damagedFile());

        {
            auto app = start();
            EXPECT_EQ (values (*app->processor), row.expected);
            EXPECT_EQ (settingsBytes(), row.bytes) << "the file lasts until the next quit";
        }

        // Each damaged file replaces the one kept before; a good one leaves it alone.
        EXPECT_EQ (bytesIn (damagedFile()), row.damaged ? row.bytes : keptBefore);
        EXPECT_TRUE (! row.damaged || savedValues().getAllKeys() == tableOrder) << "a fresh file";

        EXPECT_EQ (values (*start()->processor), row.expected) << "that quit wrote good values";
    }
}

TEST_F (Settings, ADamagedFileThatCannotBeKeptAsideIsNotWrittenOver)
{
    damagedFile().getChildFile ("in the way").create();
    writeSettings (bytesOf ("tempo 90"));
    start();
    EXPECT_EQ (settingsBytes(), bytesOf ("tempo 90"));
}
