#include "engine/KeysteadProcessor.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <thread>

#include <juce_audio_formats/juce_audio_formats.h>

#include "engine/SampleRateConverter.h"
#include "ui/KeysteadEditor.h"
#include "ui/S1ListDisplayComponent.h"
#include "ui/ShortLigthedNewPoint.h"
#include "ui/TempoSliderModifier.h"

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

    constexpr float degreesToTurns = 1.0f / 360.0f;
    constexpr float chordPixelsToSeconds = 1.0f / 176000.0f;  // the chord strip: 176 px = 150 ms
    constexpr double halfPi = 1.5707963267948966;            // the editor's angle unit

    /** No device runs outside this range; beyond it the timing arithmetic would leave int. */
    constexpr double highestUsableRate = 10.0e6;

    /** The device rate, or 0 when the processor has not been given a usable one. */
    double usableRate (double rate) noexcept
    {
        return (rate >= 1.0 && rate <= highestUsableRate) ? rate : 0.0;
    }

    /** Carried positions stop here instead of wrapping round: a group left open while the other
        mode runs for hours keeps sliding into the past but stays a plain negative int. */
    constexpr int earliestPosition = std::numeric_limits<int>::min() / 2;

    bool isNoteOn (const juce::MidiMessageMetadata& event) noexcept
    {
        return event.numBytes >= 3 && (event.data[0] & 0xF0) == 0x90 && event.data[2] != 0;
    }

    /** Where a phase lies after the reference, as a fraction of a turn in [0, 1). */
    float offsetFrom (float phase, float referencePhase) noexcept
    {
        const float e = phase - referencePhase;
        return e < 0.0f ? e + 1.0f : e;
    }

    /** How far a phase lies from the reference either way, in [0, 0.5]. */
    float distanceFrom (float phase, float referencePhase) noexcept
    {
        const float e = offsetFrom (phase, referencePhase);
        return e <= 0.5f ? e : 1.0f - e;
    }

    /** The spread of a chord in samples, or -1 for fewer than two notes. The notes are in
        chord order (latest first, so their positions never rise); `skip` leaves one out. */
    int chordSpread (const std::vector<KeysteadProcessor::Note>& chord, size_t skip) noexcept
    {
        const size_t count = chord.size() - (skip < chord.size() ? 1 : 0);

        if (count < 2)
            return -1;

        juce::int64 latest = 0, earliest = 0, previous = 0, largestGap = 0;
        bool first = true;

        for (size_t i = 0; i < chord.size(); ++i)
        {
            if (i == skip)
                continue;

            const juce::int64 position = chord[i].samplePosition;

            if (first)
            {
                latest = position;
                first = false;
            }
            else
            {
                largestGap = std::max (largestGap, previous - position);
            }

            earliest = position;
            previous = position;
        }

        const juce::int64 span = latest - earliest;

        if (count == 2)
            return (int) std::abs (span);

        return (int) ((largestGap + span) / 2);
    }
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
    SendNoteOnSignal (midiMessages);

    // Without a device rate nothing can be timed; the sounds still play.
    const double rate = usableRate (getSampleRate());

    if (isRunning.load() && rate > 0.0)
    {
        const int blockLength = buffer.getNumSamples();
        const int sampleRate = (int) rate;

        CollectNoteOns (midiMessages);

        if (tempoMode.load() != 0)
        {
            AdvanceBeatClock (blockLength);
            JudgeTempoModeNotes (blockLength);
        }
        else
        {
            JudgeChords (blockLength, sampleRate);
        }

        ShiftStoredPositions (blockLength);
    }

    for (int n = 0; n < numSounds; ++n)
        PlayBuffer (n, buffer);
}

//==============================================================================
void KeysteadProcessor::SendNoteOnSignal (const juce::MidiBuffer& midiMessages)
{
    if (midiMessages.isEmpty())
        return;

    WithActiveEditor ([&midiMessages] (juce::AudioProcessorEditor& editor)
    {
        for (const auto event : midiMessages)
        {
            if (isNoteOn (event))
            {
                // White tells the editor this is the note-on signal; the other fields carry nothing.
                editor.setControlHighlight ({ 0, false, juce::Colours::white });
                return;
            }
        }
    });
}

void KeysteadProcessor::CollectNoteOns (const juce::MidiBuffer& midiMessages)
{
    for (const auto event : midiMessages)
        if (isNoteOn (event))
            incomingNotes.push_back ({ event.samplePosition, event.data[1], false });
}

void KeysteadProcessor::AdvanceBeatClock (int blockLength)
{
    const juce::ScopedLock sl (*this);
    auto& clicks = playRequests[clickSound];

    // Only an empty click clip lets the last click retire while running: start the clock afresh.
    if (clicks.empty())
        clicks.push_back ({ 0, false });

    while (clicks.back().startPosition < blockLength)
        clicks.push_back ({ clicks.back().startPosition + BeatLength(), false });
}

void KeysteadProcessor::ShiftStoredPositions (int blockLength) noexcept
{
    auto shift = [blockLength] (std::vector<Note>& notes)
    {
        for (auto& note : notes)
            note.samplePosition = note.samplePosition >= earliestPosition + blockLength
                                      ? note.samplePosition - blockLength
                                      : earliestPosition;
    };

    shift (incomingNotes);
    shift (pendingBadNotes);
    shift (pendingGoodNotes);
}

//==============================================================================
double KeysteadProcessor::CurrentTempo() const noexcept
{
    const double value = tempo.load();

    if (std::isnan (value))
        return fallbackTempo;

    return juce::jlimit (minimumTempo, maximumTempo, value);
}

int KeysteadProcessor::CurrentSubdivisor() const noexcept
{
    return juce::jlimit (1, 4, subdivisor.load());
}

int KeysteadProcessor::BeatLength() const noexcept
{
    const double samples = usableRate (getSampleRate()) * 60.0 / CurrentTempo();

    // Never 0: the beat clock steps by this length until it passes the block's end.
    return samples >= 1.0 ? (int) samples : 1;
}

float KeysteadProcessor::MillisecondsOf (float distance) const noexcept
{
    return (float) ((double) (distance * 60000.0f) / ((double) CurrentSubdivisor() * CurrentTempo()));
}

float KeysteadProcessor::PhaseOf (const Note& note) const noexcept
{
    juce::int64 lastClick = 0;

    {
        const juce::ScopedLock sl (*this);
        const auto& clicks = playRequests[clickSound];

        if (! clicks.empty())
            lastClick = clicks.back().startPosition;
    }

    const int beat = BeatLength();

    // The distance from the latest beat at or before the note. Stepping a negative distance up
    // by whole beats in float gives exactly this remainder while the numbers stay within float's
    // exact integers (over five minutes of samples); beyond, the remainder stays well defined.
    juce::int64 fromBeat = (juce::int64) note.samplePosition - lastClick;

    if (fromBeat < 0)
    {
        fromBeat %= beat;

        if (fromBeat < 0)
            fromBeat += beat;
    }

    float phase = (float) CurrentSubdivisor() * (float) fromBeat / (float) beat;

    if (phase >= 1.0f)
    {
        // A note after the latest beat (a clock that was just restarted) can lie many turns on.
        if (phase >= 64.0f)
            phase -= std::floor (phase);

        while (phase >= 1.0f)
            phase -= 1.0f;
    }

    return phase;
}

//==============================================================================
void KeysteadProcessor::JudgeTempoModeNotes (int blockLength)
{
    const int notesPerBeat = CurrentSubdivisor();
    const float halfInterval = (float) BeatLength() / (float) (2 * notesPerBeat);
    const float goodLimit = goodMetronome.load() * degreesToTurns;
    const float noChordLimit = noChordMetronome.load() * degreesToTurns;

    size_t next = 0;

    for (;;)
    {
        // A group closes once the next note, or the block's end, lies more than half an
        // interval after its latest note.
        if (! pendingBadNotes.empty() || ! pendingGoodNotes.empty())
        {
            int latest = std::numeric_limits<int>::min();

            if (! pendingBadNotes.empty())
                latest = pendingBadNotes.back().samplePosition;

            if (! pendingGoodNotes.empty())
                latest = std::max (latest, pendingGoodNotes.back().samplePosition);

            const int upTo = next < incomingNotes.size() ? incomingNotes[next].samplePosition : blockLength;

            if ((float) ((juce::int64) upTo - latest) > halfInterval)
                ProcessPendingBadAndGoodNotes();
        }

        if (next >= incomingNotes.size())
            break;

        const Note note = incomingNotes[next++];
        const float phase = PhaseOf (note);
        const float dotRadius = S1Float::DrawRadius();
        float referencePhase;

        {
            const juce::ScopedLock sl (s1List.lock);
            referencePhase = s1List.reference.value;
            s1List.InsertValue (phase, dotRadius);
        }

        const bool hasReference = referencePhase != S1Float::UNDEFINED.value;

        if (hasReference)
            HandOverNewDot (offsetFrom (phase, referencePhase), dotRadius);

        HandOverPhaseDisplayUpdate();

        if (! hasReference)
        {
            // Until two phases lie within the window of each other every note counts as good.
            pendingGoodNotes.push_back (note);
            s1List.UpdateReference();
            HandOverPhaseDisplayUpdate();
            continue;
        }

        const float distance = distanceFrom (phase, referencePhase);

        if (distance >= noChordLimit)
        {
            // Too far off to belong to any group: it ends the open one and is not judged.
            ProcessPendingBadAndGoodNotes();
        }
        else if (distance >= goodLimit)
        {
            const float margin = std::min ((float) CurrentSubdivisor() * ((float) CurrentTempo() * 0.15f), 44.95f)
                                   * degreesToTurns;
            pendingBadNotes.push_back ({ note.samplePosition, note.noteNumber, distance > goodLimit + margin });
        }
        else
        {
            pendingGoodNotes.push_back (note);
        }
    }

    incomingNotes.clear();
}

void KeysteadProcessor::ProcessPendingBadAndGoodNotes()
{
    if (! pendingBadNotes.empty() && ! pendingGoodNotes.empty())
    {
        // A stray key next to a good one is a slip of the hand, not a timing fault.
        auto besideAGoodNote = [this] (const Note& bad)
        {
            return std::any_of (pendingGoodNotes.begin(), pendingGoodNotes.end(), [&bad] (const Note& good)
            {
                const int apart = std::abs (good.noteNumber - bad.noteNumber);
                return apart == 1 || apart == 2;
            });
        };

        size_t kept = 0;

        for (size_t i = 0; i < pendingBadNotes.size(); ++i)
        {
            const Note bad = pendingBadNotes[i];

            if (besideAGoodNote (bad))
                s1List.EraseValue (PhaseOf (bad));
            else
                pendingBadNotes[kept++] = bad;
        }

        pendingBadNotes.resize (kept);
    }

    if (! pendingBadNotes.empty())
    {
        const bool anyVeryBad = std::any_of (pendingBadNotes.begin(), pendingBadNotes.end(),
                                             [] (const Note& note) { return note.isVeryBad; });

        if (anyVeryBad)
        {
            worstState = 2;
            AppendBooRequest (false);
        }
        else
        {
            if (worstState.load() == 0)
                worstState = 1;

            AppendBooRequest (true);
        }
    }

    float referencePhase;

    {
        const juce::ScopedLock sl (s1List.lock);
        referencePhase = s1List.reference.value;
    }

    const bool hasReference = referencePhase != S1Float::UNDEFINED.value;

    if (metronomeMode.load() == 0 && ! pendingGoodNotes.empty() && hasReference)
    {
        float earliness = 1.0f, lateness = 1.0f;
        bool anyEarly = false, anyLate = false;

        for (const auto& note : pendingGoodNotes)
        {
            const float offset = offsetFrom (PhaseOf (note), referencePhase);

            if (offset >= 0.5f)
            {
                anyEarly = true;
                earliness = std::min (earliness, 1.0f - offset);
            }
            else
            {
                anyLate = true;
                lateness = std::min (lateness, offset);
            }
        }

        // Early players speed the metronome up, late ones slow it down; a group that is both
        // leaves it alone.
        if (! (anyEarly && anyLate))
        {
            const float change = anyEarly ? -0.5f * earliness : 0.5f * lateness;
            const double oldTempo = CurrentTempo();
            const double newTempo = juce::jlimit (minimumTempo, maximumTempo, oldTempo / (double) (1.0f + change));
            tempo = newTempo;
            HandOverTempoChange (newTempo, oldTempo);
        }
    }

    if (hasReference)
    {
        // Measured with the tempo the follow has just set.
        auto count = [this, referencePhase] (const Note& note)
        {
            const float ms = MillisecondsOf (distanceFrom (PhaseOf (note), referencePhase));
            sumErrorMs += ms;
            maxErrorMs = std::max (maxErrorMs.load(), ms);
            nbEvaluated += 1;
        };

        for (const auto& note : pendingGoodNotes)
            count (note);

        for (const auto& note : pendingBadNotes)
            count (note);
    }

    pendingGoodNotes.clear();
    pendingBadNotes.clear();

    s1List.UpdateReference();
    HandOverPhaseDisplayUpdate();
}

//==============================================================================
void KeysteadProcessor::JudgeChords (int blockLength, int sampleRate)
{
    const float goodSeconds = (float) ((juce::int64) goodNoMetronome.load() * 150) * chordPixelsToSeconds;
    const float noChordSeconds = (float) ((juce::int64) noChordNoMetronome.load() * 150) * chordPixelsToSeconds;
    const float middlingSeconds = std::min ((goodSeconds + noChordSeconds) * 0.5f, goodSeconds + 0.025f);

    const float rate = (float) sampleRate;
    const float goodSamples = goodSeconds * rate;
    const float noChordSamples = noChordSeconds * rate;
    const float middlingSamples = middlingSeconds * rate;
    const float cut = (float) blockLength - noChordSamples;
    const juce::int64 longestChord = (juce::int64) sampleRate * 150 / 1000;

    auto closeEnough = [noChordSamples] (const Note& later, const Note& earlier)
    {
        return noChordSamples > (float) ((juce::int64) later.samplePosition - earlier.samplePosition);
    };

    // Chords are taken from the end, so several closed in one block are judged latest first.
    for (;;)
    {
        if (incomingNotes.empty())
            return;

        const Note latest = incomingNotes.back();

        // More notes may still join this chord in the next block.
        if ((float) latest.samplePosition >= cut)
            return;

        incomingNotes.pop_back();

        if (incomingNotes.empty())
            return;

        if (! closeEnough (latest, incomingNotes.back()))
            continue;  // a lone note is never judged

        chordNotes.clear();
        chordNotes.push_back (latest);

        do
        {
            chordNotes.push_back (incomingNotes.back());
            incomingNotes.pop_back();
        }
        while (! incomingNotes.empty() && closeEnough (chordNotes.back(), incomingNotes.back()));

        if ((juce::int64) latest.samplePosition - chordNotes.back().samplePosition >= longestChord)
            continue;

        int spread = chordSpread (chordNotes, chordNotes.size());

        // A stray neighbouring key may be what makes the chord look uneven.
        if (goodSamples <= (float) spread && (float) spread < noChordSamples && chordNotes.size() >= 2)
        {
            for (size_t i = 0; i < chordNotes.size(); ++i)
            {
                const bool hasNeighbour = std::any_of (chordNotes.begin(), chordNotes.end(), [&] (const Note& other)
                {
                    const int apart = std::abs (other.noteNumber - chordNotes[i].noteNumber);
                    return apart == 1 || apart == 2;
                });

                if (hasNeighbour)
                    spread = std::min (spread, chordSpread (chordNotes, i));
            }
        }

        if (spread == -1)
            continue;

        const float absoluteSpread = (float) std::abs (spread);

        if (! (noChordSamples > absoluteSpread))
            continue;

        const float spreadMs = (float) spread * 1000.0f / rate;
        sumErrorMs += spreadMs;
        maxErrorMs = std::max (maxErrorMs.load(), spreadMs);
        nbEvaluated += 1;

        if (absoluteSpread > middlingSamples)
        {
            worstState = 2;
            AppendBooRequest (false);
        }
        else if (absoluteSpread > goodSamples)
        {
            AppendBooRequest (true);

            if (worstState.load() == 0)
                worstState = 1;
        }

        SendChordSpreadSignal (spreadMs);
    }
}

void KeysteadProcessor::AppendBooRequest (bool attenuated)
{
    const juce::ScopedLock sl (*this);
    playRequests[booSound].push_back ({ 0, attenuated });
}

//==============================================================================
template <typename Use>
void KeysteadProcessor::WithActiveEditor (Use&& use)
{
    // Counted before the fetch: DetachEditor clears the active editor under the framework's
    // lock and then waits for this count, so an editor fetched here outlives the call.
    editorHandOversInFlight.fetch_add (1, std::memory_order_acq_rel);

    if (auto* editor = getActiveEditor())
        use (*editor);

    editorHandOversInFlight.fetch_sub (1, std::memory_order_release);
}

void KeysteadProcessor::DetachEditor (juce::AudioProcessorEditor* editor) noexcept
{
    editorBeingDeleted (editor);

    while (editorHandOversInFlight.load (std::memory_order_acquire) != 0)
        std::this_thread::yield();
}

void KeysteadProcessor::SendChordSpreadSignal (float spreadMs)
{
    WithActiveEditor ([spreadMs] (juce::AudioProcessorEditor& editor)
    {
        // The spread travels as the bit pattern of the float; black marks a chord-spread signal.
        int bits = 0;
        static_assert (sizeof (bits) == sizeof (spreadMs), "the spread must fit the index");
        std::memcpy (&bits, &spreadMs, sizeof (bits));
        editor.setControlHighlight ({ bits, false, juce::Colours::black });
    });
}

juce::Point<int> KeysteadProcessor::NewDotCentre (float offsetFromReference, float dotRadius, int width, int height) noexcept
{
    const auto angle = (float) (halfPi * (double) (4.0f * offsetFromReference));
    const float across = 1.0f + dotRadius * std::sin (angle);
    const float down = 1.0f - dotRadius * std::cos (angle);

    return { (int) (float) ((double) across * (width * 0.5)),
             (int) (float) ((double) down * (height * 0.5)) };
}

void KeysteadProcessor::HandOverNewDot (float offsetFromReference, float dotRadius)
{
    WithActiveEditor ([offsetFromReference, dotRadius] (juce::AudioProcessorEditor& editor)
    {
        auto* keysteadEditor = dynamic_cast<KeysteadEditor*> (&editor);

        if (keysteadEditor == nullptr)
            return;

        // Starting a thread costs up to a few hundred microseconds, and a chord lights one halo
        // per note: the halo is built and started by the message loop, where it would attach
        // itself to the display in its first update anyway. Here only a short message is posted.
        using Display = KeysteadEditor::S1ListDisplayComponent;
        const juce::Component::SafePointer<Display> target (keysteadEditor->s1ListDisplay.get());

        juce::MessageManager::callAsync ([target, offsetFromReference, dotRadius]
        {
            if (auto* display = target.getComponent())
            {
                const auto centre = NewDotCentre (offsetFromReference, dotRadius, display->getWidth(), display->getHeight());
                (new Display::ShortLigthedNewPoint (display, centre.x, centre.y))->startThread();
            }
        });
    });
}

void KeysteadProcessor::HandOverPhaseDisplayUpdate()
{
    WithActiveEditor ([] (juce::AudioProcessorEditor& editor)
    {
        // The display repaints and the editor refreshes its result labels in the update.
        if (auto* keysteadEditor = dynamic_cast<KeysteadEditor*> (&editor))
            keysteadEditor->s1ListDisplay->triggerAsyncUpdate();
    });
}

void KeysteadProcessor::HandOverTempoChange (double newTempo, double oldTempo)
{
    WithActiveEditor ([newTempo, oldTempo] (juce::AudioProcessorEditor& editor)
    {
        if (auto* keysteadEditor = dynamic_cast<KeysteadEditor*> (&editor))
            (new TempoSliderModifier (keysteadEditor, newTempo, oldTempo))->triggerAsyncUpdate();
    });
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
