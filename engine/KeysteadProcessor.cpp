#include "engine/KeysteadProcessor.h"

#include <cstdlib>

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
    chordNotes.reserve (reservedNotes);
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
        const juce::ScopedLock holdingListLock (s1List.lock);
        s1List.values.clear();
        s1List.reference = S1Float::UNDEFINED;
    }

    worstState = 0;
}

void KeysteadProcessor::SetIsRunning (bool running)
{
    const juce::ScopedLock holdingProcLock (procLock);

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

    const juce::ScopedLock holdingProcLock (procLock);
    playRequests[(size_t) n].push_back ({ 0, false });
}

//==============================================================================
bool KeysteadProcessor::AreNeighbourKeys (const Note& a, const Note& b) noexcept
{
    // A stray key one or two semitones from another is a slip of the hand, not a timing fault.
    const int apart = std::abs (a.noteNumber - b.noteNumber);
    return apart == 1 || apart == 2;
}

void KeysteadProcessor::CountError (float ms)
{
    sumErrorMs += ms;
    maxErrorMs = std::max (maxErrorMs.load(), ms);
    nbEvaluated += 1;
}

void KeysteadProcessor::AnswerPoorVerdict (bool bad)
{
    // worstState only rises between resets.
    if (bad)
        worstState = 2;
    else if (worstState.load() == 0)
        worstState = 1;

    AppendBooRequest (! bad);
}

void KeysteadProcessor::AppendBooRequest (bool attenuated)
{
    const juce::ScopedLock holdingProcLock (procLock);
    playRequests[booSound].push_back ({ 0, attenuated });
}

//==============================================================================
const juce::String KeysteadProcessor::getName() const { return "Keystead"; }
double KeysteadProcessor::getTailLengthSeconds() const { return 0.0; }
bool KeysteadProcessor::acceptsMidi() const { return false; }
bool KeysteadProcessor::producesMidi() const { return false; }
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
const juce::String KeysteadProcessor::getInputChannelName (int index) const { return juce::String (index + 1); }
const juce::String KeysteadProcessor::getOutputChannelName (int index) const { return juce::String (index + 1); }
bool KeysteadProcessor::isInputChannelStereoPair (int) const { return true; }
bool KeysteadProcessor::isOutputChannelStereoPair (int) const { return true; }
bool KeysteadProcessor::silenceInProducesSilenceOut() const { return false; }
