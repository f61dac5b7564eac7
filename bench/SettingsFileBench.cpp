#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/SettingsFile.h"

// The start's reading and the quit's writing of a settings file of many keys (other keys than the
// program's own, as an older or a hand-edited file may hold), up to the most that a file may hold,
// in a file padded to the largest size a start reads. The time goes with the file's bytes and
// hardly grows with its keys (it once grew with their square: 55,000 keys took 9.5 s). The last
// reading row is a file of 30,000 short keys, more than a file may hold, which is refused.

namespace
{
    struct HomeWithSettings
    {
        explicit HomeWithSettings (int keys)
        {
            folder.getChildFile (".Keystead").createDirectory();
            setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);

            // The values share out the bytes that make the whole file 1 MiB less room for the
            // keys the quit adds.
            const auto valueLength = (size_t) std::max (1, (int) (SettingsFile::largestReadableSize - 4096) / keys - 40);
            std::string text ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n");
            for (int key = 0; key < keys; ++key)
                text += "<VALUE name=\"k" + std::to_string (key) + "\" val=\"" + std::string (valueLength, 'v') + "\"/>\n";
            text += "</PROPERTIES>\n";
            std::ofstream (folder.getChildFile (".Keystead/Keystead.settings").getFullPathName().toStdString()) << text;
        }

        ~HomeWithSettings() { folder.deleteRecursively(); }

        const juce::File folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                      .getChildFile ("keystead-bench-" + juce::Uuid().toString());
    };

    // The most keys a file may hold: one tag each, beside the file's own few.
    constexpr int mostKeys = SettingsFile::mostMarkup - 8;

    void BM_SettingsStartReads (benchmark::State& state)
    {
        const HomeWithSettings home ((int) state.range (0));

        for (auto _ : state)
        {
            juce::ApplicationProperties properties;
            SettingsFile::Open (properties, "Keystead");
            benchmark::DoNotOptimize (properties.getUserSettings()->getAllProperties().size());
        }

    }

    void BM_SettingsQuitWrites (benchmark::State& state)
    {
        const HomeWithSettings home ((int) state.range (0));
        juce::ApplicationProperties properties;
        SettingsFile::Open (properties, "Keystead");
        int value = 0;

        for (auto _ : state)
        {
            properties.getUserSettings()->setValue ("tempo", ++value);
            if (! SettingsFile::Save (properties, "Keystead").empty())
                state.SkipWithError ("the save failed");
        }

    }
}

BENCHMARK (BM_SettingsStartReads)->RangeMultiplier (2)->Range (mostKeys / 8, mostKeys)->Arg (30000)
    ->Unit (benchmark::kMillisecond);
BENCHMARK (BM_SettingsQuitWrites)->RangeMultiplier (2)->Range (mostKeys / 8, mostKeys)
    ->Unit (benchmark::kMillisecond);
