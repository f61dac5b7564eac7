#include <gtest/gtest.h>

#include <juce_audio_formats/juce_audio_formats.h>

#include "engine/KeysteadProcessor.h"
#include "engine/SampleRateConverter.h"

#include "engine/KeysteadClips.h"

namespace
{
    struct ClipFacts { int channels; int frames; };

    // The decoder ignores the encoder's gapless information, so a clip decodes to whole frames.
    const ClipFacts clipFacts[] = { { 2, 40 }, { 2, 35 }, { 1, 16 } };

    float peak (const juce::AudioBuffer<float>& b)
    {
        float p = 0.0f;
        for (int c = 0; c < b.getNumChannels(); ++c)
            p = std::max (p, b.getMagnitude (c, 0, b.getNumSamples()));
        return p;
    }
}

TEST (ClipDecoding, EmbeddedClipsAreCompleteMp3FilesAt48kHz)
{
    const std::pair<const char*, int> clips[] = {
        { BinaryData::temp_binary_data_0, BinaryData::temp_binary_data_0Size },
        { BinaryData::temp_binary_data_1, BinaryData::temp_binary_data_1Size },
        { BinaryData::temp_binary_data_2, BinaryData::temp_binary_data_2Size },
    };

    juce::MP3AudioFormat format;
    for (size_t n = 0; n < 3; ++n)
    {
        EXPECT_EQ (juce::String (clips[n].first, 3), "ID3");
        std::unique_ptr<juce::AudioFormatReader> reader (
            format.createReaderFor (new juce::MemoryInputStream (clips[n].first, (size_t) clips[n].second, false), true));
        ASSERT_NE (reader, nullptr) << "clip " << n;
        EXPECT_EQ (reader->sampleRate, 48000.0);
        EXPECT_EQ ((int) reader->numChannels, clipFacts[n].channels);
        EXPECT_EQ (reader->lengthInSamples, (juce::int64) clipFacts[n].frames * 1152);
    }
}

TEST (ClipDecoding, PrepareToPlayDecodesAtTheDeviceRate)
{
    KeysteadProcessor engine;
    engine.prepareToPlay (48000.0, 512);

    for (size_t n = 0; n < 3; ++n)
    {
        const auto& buffer = engine.soundBuffers[n];
        EXPECT_EQ (buffer.getNumChannels(), clipFacts[n].channels);
        EXPECT_EQ (buffer.getNumSamples(), clipFacts[n].frames * 1152);
        EXPECT_GT (peak (buffer), 0.3f) << "clip " << n << " is silent";
        EXPECT_LE (peak (buffer), 1.05f);
    }

    // Pending requests survive a new device rate; the buffers are replaced.
    engine.AskToPlayBuffer (0);
    engine.prepareToPlay (44100.0, 256);
    EXPECT_EQ (engine.playRequests[0].size(), 1u);
    for (size_t n = 0; n < 3; ++n)
    {
        const auto expected = (int) ((double) (clipFacts[n].frames * 1152) * 44100.0 / 48000.0 + 1.0);
        EXPECT_EQ (engine.soundBuffers[n].getNumSamples(), expected);
        EXPECT_EQ (engine.soundBuffers[n].getNumChannels(), clipFacts[n].channels);
    }
}

TEST (ClipDecoding, TheClickKeepsItsEnergyInItsFirstMilliseconds)
{
    KeysteadProcessor engine;
    engine.prepareToPlay (48000.0, 512);
    const auto& click = engine.soundBuffers[2];

    // Find where the tick begins (the decoder adds a leading delay), then compare the energy of
    // the first 10 ms after it with everything that follows.
    int onset = 0;
    while (onset < click.getNumSamples() && std::abs (click.getSample (0, onset)) < 0.05f)
        ++onset;
    ASSERT_LT (onset, 3000);

    const int tenMs = 480;
    const double early = click.getRMSLevel (0, onset, tenMs);
    const double late = click.getRMSLevel (0, onset + tenMs, click.getNumSamples() - onset - tenMs);
    EXPECT_GT (early, 20.0 * late);
}

TEST (Resampling, LengthRuleAndContent)
{
    juce::AudioBuffer<float> input (2, 48000);
    for (int i = 0; i < 48000; ++i)
    {
        const auto s = (float) std::sin (2.0 * juce::MathConstants<double>::pi * 440.0 * i / 48000.0);
        input.setSample (0, i, s);
        input.setSample (1, i, -s);
    }

    juce::AudioBuffer<float> output (5, 3);
    sample_rate_convert (input, 48000.0, output, 44100.0);
    ASSERT_EQ (output.getNumSamples(), 44101);
    ASSERT_EQ (output.getNumChannels(), 2);

    // Same tone at the new rate: compare with the ideal sine away from the edges.
    double worst = 0.0;
    for (int i = 1000; i < 43000; ++i)
    {
        const double ideal = std::sin (2.0 * juce::MathConstants<double>::pi * 440.0 * i / 44100.0);
        worst = std::max (worst, std::abs (output.getSample (0, i) - ideal));
        ASSERT_EQ (output.getSample (1, i), -output.getSample (0, i));
    }
    EXPECT_LT (worst, 0.05);

    juce::AudioBuffer<float> up;
    sample_rate_convert (input, 48000.0, up, 96000.0);
    EXPECT_EQ (up.getNumSamples(), 96001);
}

TEST (Resampling, SourcePlaysItsBufferOnceThenSilence)
{
    juce::AudioBuffer<float> clip (1, 5);
    for (int i = 0; i < 5; ++i)
        clip.setSample (0, i, (float) (i + 1));

    MyAudioSource source (clip);
    juce::AudioBuffer<float> destination (1, 8);
    destination.clear();
    destination.setSample (0, 0, 9.0f);

    source.getNextAudioBlock (juce::AudioSourceChannelInfo (&destination, 1, 3));
    source.getNextAudioBlock (juce::AudioSourceChannelInfo (&destination, 4, 4));

    const float expected[] = { 9, 1, 2, 3, 4, 5, 0, 0 };
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ (destination.getSample (0, i), expected[i]) << i;

    destination.clear();
    destination.setSample (0, 2, 7.0f);
    source.getNextAudioBlock (juce::AudioSourceChannelInfo (&destination, 0, 8));
    EXPECT_EQ (destination.getMagnitude (0, 0, 8), 0.0f);
}
