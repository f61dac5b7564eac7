#include "engine/KeysteadProcessor.h"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include <juce_audio_formats/juce_audio_formats.h>

#include "engine/SampleRateConverter.h"
#include "ui/KeysteadEditor.h"

#include "engine/KeysteadClips.h"

//==============================================================================
const juce::String KeysteadProcessor::tempoModeRef          { "tempoMode" };
const juce::String KeysteadProcessor::metronomeModeRef      { "metronomeMode" };
const juce::String KeysteadProcessor::tempoRef              { "tempo" };
const juce::String KeysteadProcessor::subdivisorRef         { "subdivisor" };
const juce::String KeysteadProcessor::goodMetronomeRef      { "goodMetronome" };
const juce::String KeysteadProcessor::noChordMetronomeRef   { "noChordMetronome" };
const juce::String KeysteadProcessor::goodNoMetronomeRef    { "goodNoMetronome" };
const juce::String KeysteadProcessor::noChordNoMetronomeRef { "noChordNoMetronome" };
const juce::String KeysteadProcessor::booVolumeRef          { "booVolume" };
const juce::String KeysteadProcessor::clickVolumeRef        { "clickVolume" };

const KeysteadProcessor::S1Float KeysteadProcessor::S1Float::UNDEFINED { -1.0f };

namespace
{
    // Generous reserves: normal playing never grows these vectors on the audio thread.
    constexpr size_t reservedNotes = 1024;
    constexpr size_t reservedGroupNotes = 256;
    constexpr size_t reservedRequests = 256;
    constexpr size_t reservedPhases = 202;

    struct Clip
    {
        const char* data;
        int size;
    };

    Clip clipFor (int n)
    {
        switch (n)
        {
            case KeysteadProcessor::booSound:  return { BinaryData::temp_binary_data_0, BinaryData::temp_binary_data_0Size };
            case KeysteadProcessor::goodSound: return { BinaryData::temp_binary_data_1, BinaryData::temp_binary_data_1Size };
            default:                           return { BinaryData::temp_binary_data_2, BinaryData::temp_binary_data_2Size };
        }
    }

    constexpr double attenuation = 0.3;
}

//==============================================================================
KeysteadProcessor::S1Float::S1Float (float phase)
    : value (phase), age (0), radius (DrawRadius())
{
}

float KeysteadProcessor::S1Float::DrawRadius()
{
    return static_cast<float> (std::rand() % 101) * 0.005f + 0.5f;
}

KeysteadProcessor::OrderedS1ValueListWithReference::OrderedS1ValueListWithReference (const RelaxedAtomic<float>* windowInDegrees)
    : windowDegrees (windowInDegrees), reference (S1Float::UNDEFINED)
{
    values.reserve (reservedPhases);
}

//==============================================================================
KeysteadProcessor::KeysteadProcessor()
    : AudioProcessorWITHMidiInFilter (BusesProperties()
                                          .withInput ("Input", juce::AudioChannelSet::stereo(), false)
                                          .withOutput ("Output", juce::AudioChannelSet::stereo(), false)),
      s1List (&goodMetronome)
{
    filterMidiChannel = false;
    midiChannel = 1;
    filterMidiRange = false;
    highestNote = 127;
    lowestNote = 0;

    incomingNotes.reserve (reservedNotes);
    pendingBadNotes.reserve (reservedGroupNotes);
    pendingGoodNotes.reserve (reservedGroupNotes);

    for (auto& requests : playRequests)
        requests.reserve (reservedRequests);
}

KeysteadProcessor::~KeysteadProcessor() = default;

//==============================================================================
void KeysteadProcessor::ResetLists()
{
    resetRequested.store (true, std::memory_order_release);
}

void KeysteadProcessor::PerformRequestedReset()
{
    incomingNotes.clear();
    nbEvaluated = 0;
    sumErrorMs = 0.0f;
    maxErrorMs = 0.0f;

    {
        const juce::ScopedLock listLock (s1List.lock);
        s1List.values.clear();
        s1List.reference = S1Float::UNDEFINED;
    }

    worstState = 0;
}

void KeysteadProcessor::SetIsRunning (bool running)
{
    const juce::ScopedLock sl (*this);

    playRequests[clickSound].clear();

    if (running && tempoMode.load() != 0)
        playRequests[clickSound].push_back ({ 0, false });

    isRunning = running;
}

void KeysteadProcessor::AskToPlayBuffer (int n)
{
    // Anything but the three sound numbers would index past the arrays.
    if (n < 0 || n >= numSounds)
        return;

    const juce::ScopedLock sl (*this);
    playRequests[(size_t) n].push_back ({ 0, false });
}

//==============================================================================
void KeysteadProcessor::PlayBuffer (int n, juce::AudioBuffer<float>& output)
{
    const juce::ScopedLock sl (*this);

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

//==============================================================================
const juce::String KeysteadProcessor::getName() const { return "Keystead"; }

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

void KeysteadProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    if (resetRequested.exchange (false, std::memory_order_acq_rel))
        PerformRequestedReset();

    FilterByMidiChannelAndNoteLimits (midiMessages);

    for (int n = 0; n < numSounds; ++n)
        PlayBuffer (n, buffer);
}

double KeysteadProcessor::getTailLengthSeconds() const { return 0.0; }
bool KeysteadProcessor::acceptsMidi() const { return false; }
bool KeysteadProcessor::producesMidi() const { return false; }

juce::AudioProcessorEditor* KeysteadProcessor::createEditor()
{
    // A settings file can hold anything; the editor gets values its controls can show.
    const double currentTempo = tempo.load();
    const int tempoForEditor = std::isfinite (currentTempo) ? (int) juce::jlimit (-1.0e6, 1.0e6, currentTempo) : 120;

    return new KeysteadEditor (*this,
                               goodNoMetronome.load(),
                               noChordNoMetronome.load(),
                               goodMetronome,
                               noChordMetronome,
                               tempoMode.load() != 0,
                               metronomeMode.load() != 0,
                               tempoForEditor,
                               juce::jlimit (1, 4, subdivisor.load()),
                               clickVolume.load(),
                               booVolume.load());
}

bool KeysteadProcessor::hasEditor() const { return true; }
int KeysteadProcessor::getNumPrograms() { return 1; }
int KeysteadProcessor::getCurrentProgram() { return 0; }
void KeysteadProcessor::setCurrentProgram (int) {}
const juce::String KeysteadProcessor::getProgramName (int) { return {}; }
void KeysteadProcessor::changeProgramName (int, const juce::String&) {}
void KeysteadProcessor::getStateInformation (juce::MemoryBlock&) {}
void KeysteadProcessor::setStateInformation (const void*, int) {}
int KeysteadProcessor::getNumParameters() { return 0; }
const juce::String KeysteadProcessor::getParameterName (int) { return {}; }
float KeysteadProcessor::getParameter (int) { return 0.0f; }
const juce::String KeysteadProcessor::getParameterText (int) { return {}; }
void KeysteadProcessor::setParameter (int, float) {}
const juce::String KeysteadProcessor::getInputChannelName (int channelIndex) const { return juce::String (channelIndex + 1); }
const juce::String KeysteadProcessor::getOutputChannelName (int channelIndex) const { return juce::String (channelIndex + 1); }
bool KeysteadProcessor::isInputChannelStereoPair (int) const { return true; }
bool KeysteadProcessor::isOutputChannelStereoPair (int) const { return true; }
bool KeysteadProcessor::silenceInProducesSilenceOut() const { return false; }
