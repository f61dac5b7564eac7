#include <gtest/gtest.h>

#include "engine/KeysteadProcessor.h"

namespace
{
    /** A clip whose samples are easy to recognise: channel c, sample i holds (c + 1) * 1000 + i. */
    juce::AudioBuffer<float> rampClip (int channels, int length)
    {
        juce::AudioBuffer<float> clip (channels, length);
        for (int c = 0; c < channels; ++c)
            for (int i = 0; i < length; ++i)
                clip.setSample (c, i, (float) ((c + 1) * 1000 + i));
        return clip;
    }

    struct PlayBufferTest : public ::testing::Test
    {
        juce::AudioBuffer<float>& mix (int n, int blockLength = 512, float preset = 0.0f)
        {
            output.setSize (2, blockLength, false, false, true);
            for (int c = 0; c < 2; ++c)
                juce::FloatVectorOperations::fill (output.getWritePointer (c), preset, blockLength);
            engine.PlayBuffer (n, output);
            return output;
        }

        KeysteadProcessor engine;
        juce::AudioBuffer<float> output;
    };
}

TEST_F (PlayBufferTest, RequestStartingInsideTheBlockAddsOnTopOfTheOutput)
{
    engine.soundBuffers[0] = rampClip (2, 1000);
    engine.booVolume = 0.5f;
    engine.playRequests[0] = { { 300, false } };

    auto& out = mix (0, 512, 0.25f);
    EXPECT_EQ (out.getSample (0, 299), 0.25f);
    EXPECT_EQ (out.getSample (0, 300), 0.25f + 1000.0f * 0.5f);
    EXPECT_EQ (out.getSample (1, 300), 0.25f + 2000.0f * 0.5f);
    EXPECT_EQ (out.getSample (1, 511), 0.25f + 2211.0f * 0.5f);

    ASSERT_EQ (engine.playRequests[0].size(), 1u);
    EXPECT_EQ (engine.playRequests[0][0].startPosition, 300 - 512);
}

TEST_F (PlayBufferTest, RequestTwoBlocksAheadWaitsThenStartsAtTheRightSample)
{
    engine.soundBuffers[2] = rampClip (1, 100);
    engine.playRequests[2] = { { 1000, false } };

    auto& first = mix (2);
    EXPECT_EQ (first.getMagnitude (0, 512), 0.0f);
    EXPECT_EQ (engine.playRequests[2][0].startPosition, 488);

    auto& second = mix (2);
    EXPECT_EQ (second.getSample (0, 487), 0.0f);
    EXPECT_EQ (second.getSample (0, 488), 1000.0f);
    EXPECT_EQ (second.getSample (0, 511), 1023.0f);
}

TEST_F (PlayBufferTest, MonoClipSoundsIdenticallyOnBothSides)
{
    engine.soundBuffers[2] = rampClip (1, 600);
    engine.clickVolume = 0.75f;
    engine.playRequests[2] = { { 0, false } };

    auto& out = mix (2);
    for (int i = 0; i < 512; ++i)
    {
        ASSERT_EQ (out.getSample (0, i), (float) (1000 + i) * 0.75f);
        ASSERT_EQ (out.getSample (1, i), out.getSample (0, i));
    }
}

TEST_F (PlayBufferTest, AttenuatedRequestPlaysAtThreeTenthsOfTheGainAndOverlapsAdd)
{
    engine.soundBuffers[0] = rampClip (2, 2000);
    engine.booVolume = 0.8f;
    const auto g = static_cast<float> (0.3 * (double) 0.8f);
    engine.playRequests[0] = { { 0, true } };

    mix (0);
    mix (0);
    engine.playRequests[0].push_back ({ 10, false });   // asked for two blocks later

    auto& out = mix (0);
    // The first request is now 1024 samples into its clip.
    EXPECT_EQ (out.getSample (0, 0), 2024.0f * g);
    EXPECT_EQ (out.getSample (0, 9), 2033.0f * g);
    EXPECT_EQ (out.getSample (0, 10), 2034.0f * g + 1000.0f * 0.8f);
    EXPECT_EQ (out.getSample (1, 10), 3034.0f * g + 2000.0f * 0.8f);
}

TEST_F (PlayBufferTest, RequestRetiresInTheBlockThatHoldsItsLastSample)
{
    engine.soundBuffers[1] = rampClip (2, 1024 + 5);
    engine.playRequests[1] = { { 0, false } };

    mix (1);
    mix (1);
    ASSERT_EQ (engine.playRequests[1].size(), 1u);   // five samples still to play
    auto& third = mix (1);
    EXPECT_EQ (third.getSample (0, 4), 2028.0f);
    EXPECT_EQ (third.getSample (0, 5), 0.0f);
    EXPECT_TRUE (engine.playRequests[1].empty());

    // A clip that ends exactly at a block boundary retires in that block.
    engine.playRequests[1] = { { -5, false } };
    engine.soundBuffers[1] = rampClip (2, 517);
    mix (1);
    EXPECT_TRUE (engine.playRequests[1].empty());
}

TEST_F (PlayBufferTest, EmptyClipRetiresItsRequestsSilentlyWhenTheirStartArrives)
{
    engine.playRequests[0] = { { 0, false }, { 700, false } };

    auto& out = mix (0);
    EXPECT_EQ (out.getMagnitude (0, 512), 0.0f);
    ASSERT_EQ (engine.playRequests[0].size(), 1u);
    EXPECT_EQ (engine.playRequests[0][0].startPosition, 188);

    mix (0);
    EXPECT_TRUE (engine.playRequests[0].empty());
}

TEST_F (PlayBufferTest, ProcessBlockMixesWhileStoppedAndNeverClearsTheBuffer)
{
    engine.soundBuffers[1] = rampClip (2, 100);
    engine.AskToPlayBuffer (1);

    juce::AudioBuffer<float> out (2, 256);
    out.clear();
    out.setSample (0, 200, 0.5f);
    juce::MidiBuffer midi;
    engine.processBlock (out, midi);

    EXPECT_EQ (out.getSample (0, 0), 1000.0f);
    EXPECT_EQ (out.getSample (1, 99), 2099.0f);
    EXPECT_EQ (out.getSample (0, 200), 0.5f);
}
