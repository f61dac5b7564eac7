#include "engine/KeysteadProcessor.h"

#include <algorithm>
#include <functional>
#include <limits>

#include <juce_audio_formats/juce_audio_formats.h>

#include "engine/KeysteadClips.h"
#include "engine/SampleRateConverter.h"

namespace
{
    struct Clip
    {
        const char* data;
        int size;
    };

    Clip clipFor (int n)
    {
        using namespace BinaryData;

        switch (n)
        {
            case KeysteadProcessor::booSound:  return { temp_binary_data_0, temp_binary_data_0Size };
            case KeysteadProcessor::goodSound: return { temp_binary_data_1, temp_binary_data_1Size };
            default:                           return { temp_binary_data_2, temp_binary_data_2Size };
        }
    }

    constexpr double attenuation = 0.3;
}

void KeysteadProcessor::prepareToPlay (double sampleRate, int)
{
    juce::MP3AudioFormat format;

    for (int n = 0; n < numSounds; ++n)
    {
        auto& target = soundBuffers[(size_t) n];
        const auto clip = clipFor (n);

        // The reader owns the stream and deletes it, also when it fails to open.
        std::unique_ptr<juce::AudioFormatReader> reader (
            format.createReaderFor (new juce::MemoryInputStream (clip.data, (size_t) clip.size, false), true));

        const bool usable = reader != nullptr
                         && reader->numChannels > 0
                         && reader->lengthInSamples > 0
                         && reader->lengthInSamples < std::numeric_limits<int>::max()
                         && reader->sampleRate > 0;

        if (! usable)
        {
            // An undecodable clip stays silent; its requests retire without a sound.
            target.setSize (0, 0);
            continue;
        }

        const auto channels = (int) reader->numChannels;
        const auto length = (int) reader->lengthInSamples;

        if (std::equal_to<double>() (reader->sampleRate, sampleRate))
        {
            target.setSize (channels, length);
            reader->read (&target, 0, length, 0, true, true);
        }
        else
        {
            juce::AudioBuffer<float> decoded (channels, length);
            reader->read (&decoded, 0, length, 0, true, true);
            sample_rate_convert (decoded, reader->sampleRate, target, sampleRate);
        }
    }
}

void KeysteadProcessor::releaseResources() {}

void KeysteadProcessor::PlayBuffer (int n, juce::AudioBuffer<float>& output)
{
    const juce::ScopedLock holdingProcLock (procLock);

    const float gain = (n == clickSound) ? clickVolume.load() : booVolume.load();
    const auto& clip = soundBuffers[(size_t) n];
    auto& requests = playRequests[(size_t) n];

    const int blockLength = output.getNumSamples();
    const int clipLength = clip.getNumSamples();
    const int clipChannels = clip.getNumChannels();
    const int outputChannels = output.getNumChannels();

    for (auto& request : requests)
    {
        const int start = request.startPosition;

        if (clipLength > 0 && clipChannels > 0 && outputChannels > 0)
        {
            const auto g = static_cast<float> ((request.attenuated ? attenuation : 1.0) * (double) gain);
            const int from = std::max (start, 0);
            const int to = static_cast<int> (std::min ((juce::int64) blockLength, (juce::int64) start + clipLength));

            if (from < to)
            {
                const float* left = clip.getReadPointer (0);
                const float* right = clip.getReadPointer (std::min (1, clipChannels - 1));
                float* outLeft = output.getWritePointer (0);

                for (int i = from; i < to; ++i)
                    outLeft[i] += left[i - start] * g;

                if (outputChannels > 1)
                {
                    float* outRight = output.getWritePointer (1);

                    for (int i = from; i < to; ++i)
                        outRight[i] += right[i - start] * g;
                }
            }
        }

        request.startPosition = start - blockLength;
    }

    requests.erase (std::remove_if (requests.begin(), requests.end(),
                                    [clipLength] (const IntAndBool& r) { return r.startPosition <= -clipLength; }),
                    requests.end());
}
