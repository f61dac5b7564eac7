#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

/** Plays one buffer once, then silence; the buffer is not owned. */
class MyAudioSource : public juce::AudioSource
{
public:
    explicit MyAudioSource (const juce::AudioBuffer<float>& bufferToPlay) noexcept : buffer (bufferToPlay) {}

    void prepareToPlay (int samplesPerBlockExpected, double sampleRate) override;
    void releaseResources() override;
    void getNextAudioBlock (const juce::AudioSourceChannelInfo& info) override;

private:
    const juce::AudioBuffer<float>& buffer;
    int readPosition = 0;
};

/** Fills output with the whole of input converted from inputRate to outputRate. The output
    holds trunc(input length x outputRate / inputRate + 1) samples; those past the input's end
    are silence. */
void sample_rate_convert (const juce::AudioBuffer<float>& input, double inputRate,
                          juce::AudioBuffer<float>& output, double outputRate);
