#include "engine/SampleRateConverter.h"

#include <algorithm>

void MyAudioSource::prepareToPlay (int, double) {}
void MyAudioSource::releaseResources() {}

void MyAudioSource::getNextAudioBlock (const juce::AudioSourceChannelInfo& info)
{
    const int remaining = buffer.getNumSamples() - readPosition;
    const int toCopy = std::min (remaining, info.numSamples);
    auto& destination = *info.buffer;
    const int channels = std::min (buffer.getNumChannels(), destination.getNumChannels());

    if (toCopy > 0)
        for (int channel = 0; channel < channels; ++channel)
            destination.copyFrom (channel, info.startSample, buffer, channel, readPosition, toCopy);

    if (info.numSamples > remaining)
    {
        const int silentFrom = std::max (remaining, 0);

        for (int channel = 0; channel < channels; ++channel)
            destination.clear (channel, info.startSample + silentFrom, info.numSamples - silentFrom);
    }

    readPosition += info.numSamples;
}

void sample_rate_convert (const juce::AudioBuffer<float>& input, double inputRate,
                          juce::AudioBuffer<float>& output, double outputRate)
{
    const int channels = input.getNumChannels();

    if (channels <= 0 || inputRate <= 0.0 || outputRate <= 0.0)
    {
        output.setSize (0, 0);
        return;
    }

    MyAudioSource source (input);
    juce::ResamplingAudioSource resampler (&source, false, channels);
    resampler.setResamplingRatio (inputRate / outputRate);

    const auto outputLength = (int) ((double) input.getNumSamples() * outputRate / inputRate + 1.0);
    output.setSize (channels, outputLength, false, true, false);

    resampler.prepareToPlay (outputLength, outputRate);
    resampler.getNextAudioBlock (juce::AudioSourceChannelInfo (&output, 0, outputLength));
    resampler.releaseResources();
}
