#include <gtest/gtest.h>

#include "engine/KeysteadProcessor.h"
#include "engine/SampleRateConverter.h"

// Clip channel c, sample i holds (c + 1) * 1000 + i; probes look at the last block mixed.
TEST (SoundOutput, PlayBufferMixesEachRequestFromItsSampleAndRetiresItInTheRightBlock)
{
    const float boo = 0.5f, click = 0.75f, quiet = static_cast<float> (0.3 * (double) boo);
    struct Probe { int channel, sample; float value; };
    const struct { int sound, channels, length; std::vector<KeysteadProcessor::IntAndBool> requests;
                   int blocks; std::vector<Probe> probes; size_t left; } cases[] = {
        { 0, 2, 1000, { { 300, false } }, 1, { { 0, 299, 0 }, { 0, 300, 1000 * boo }, { 1, 511, 2211 * boo } }, 1 },
        { 2, 1, 100, { { 1000, false } }, 2, { { 0, 487, 0 }, { 0, 488, 1000 * click }, { 1, 511, 1023 * click } },
          1 },  // mono on both sides
        { 0, 2, 2000, { { 0, true }, { 1034, false } }, 3,
          { { 0, 9, 2033 * quiet }, { 0, 10, 2034 * quiet + 1000 * boo }, { 1, 10, 3034 * quiet + 2000 * boo } }, 2 },
        // Retired in the block of its last sample, also when that is the block's last.
        { 1, 2, 1029, { { 0, false } }, 3, { { 0, 4, 2028 * boo }, { 0, 5, 0 } }, 0 },
        { 1, 2, 517, { { -5, false } }, 1, { { 1, 511, 2516 * boo } }, 0 },
        { 0, 0, 0, { { 0, false }, { 700, false } }, 1, { { 0, 0, 0 }, { 1, 511, 0 } }, 1 } };  // no clip: silent
    for (const auto& c : cases)
    {
        KeysteadProcessor engine;
        engine.booVolume = boo;
        engine.clickVolume = click;
        auto& clip = engine.soundBuffers[(size_t) c.sound];
        clip.setSize (c.channels, c.length);
        for (int i = 0; i < c.channels * c.length; ++i)
            clip.setSample (i / c.length, i % c.length, (float) ((i / c.length + 1) * 1000 + i % c.length));
        engine.playRequests[(size_t) c.sound] = c.requests;
        juce::AudioBuffer<float> out (2, 512);
        for (int block = 0; block < c.blocks; ++block)
        {
            out.clear();
            engine.PlayBuffer (c.sound, out);
        }
        SCOPED_TRACE (testing::Message() << "sound " << c.sound << " clip " << c.length);
        for (const auto& p : c.probes)
            EXPECT_EQ (out.getSample (p.channel, p.sample), p.value) << "sample " << p.sample;
        EXPECT_EQ (engine.playRequests[(size_t) c.sound].size(), c.left);
    }
}

// Each clip in its own slot: the boo and good sounds in two channels, the click in one, each its
// whole 1152-sample frames at 48000 Hz (the decoder ignores the encoder's gapless information), and
// resampled by the length rule at 44100 Hz; a stereo tone keeps its pitch and sides.
TEST (SoundOutput, EmbeddedClipsDecodeAtTheDeviceRateAndResampleByTheLengthRule)
{
    const std::pair<int, int> channelsAndFrames[] = { { 2, 40 }, { 2, 35 }, { 1, 16 } };
    KeysteadProcessor engine;
    for (double rate : { 48000.0, 44100.0 })
    {
        engine.prepareToPlay (rate, 512);
        for (size_t n = 0; n < 3; ++n)
        {
            const auto [channels, frames] = channelsAndFrames[n];
            const auto& clip = engine.soundBuffers[n];
            const int length = rate == 48000.0 ? frames * 1152 : (int) (frames * 1152 * rate / 48000.0 + 1.0);
            EXPECT_EQ (std::make_pair (clip.getNumChannels(), clip.getNumSamples()), std::make_pair (channels, length))
                << "clip " << n << " at " << rate;
            EXPECT_TRUE (juce::isWithin (clip.getMagnitude (0, clip.getNumSamples()), 0.675f, 0.375f)) << n;
        }
    }
    auto tone = [] (int i, double rate) { return std::sin (juce::MathConstants<double>::twoPi * 440.0 * i / rate); };
    juce::AudioBuffer<float> input (2, 48000), output (5, 3);
    for (int i = 0; i < 2 * 48000; ++i)
        input.setSample (i % 2, i / 2, (float) ((1 - 2 * (i % 2)) * tone (i / 2, 48000.0)));
    sample_rate_convert (input, 48000.0, output, 44100.0);
    ASSERT_EQ (std::make_pair (output.getNumChannels(), output.getNumSamples()), std::make_pair (2, 44101));
    for (int i = 1000; i < 43000; ++i)
        ASSERT_TRUE (std::abs (output.getSample (0, i) - tone (i, 44100.0)) < 0.05
                     && output.getSample (1, i) == -output.getSample (0, i)) << i;
}
