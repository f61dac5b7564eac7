#include "engine/KeysteadProcessor.h"

#include <cmath>
#include <limits>

namespace
{
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
}

void KeysteadProcessor::processBlock (juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    // The request is withdrawn only once the reset is complete, so that a reader who finds none
    // pending never sees statistics half cleared. A request made while the reset runs is
    // fulfilled by it: nothing is judged in between.
    if (resetRequested.load (std::memory_order_acquire))
    {
        PerformRequestedReset();
        resetRequested.store (false, std::memory_order_release);
    }

    FilterByMidiChannelAndNoteLimits (midiMessages);
    SendNoteOnSignal (midiMessages);

    // Without a device rate nothing can be timed; the sounds still play.
    const double rate = usableRate (getSampleRate());
    const int blockLength = buffer.getNumSamples();
    const bool inTempoMode = tempoMode.load() != 0;
    bool judging = false;

    {
        // The running flag and the beat clock are read together under procLock, once: a STOP
        // (which clears both on the message thread) then falls between two blocks, and the
        // whole block is judged against one latest click.
        const juce::ScopedLock holdingProcLock (procLock);
        judging = isRunning.load() && rate > 0.0;

        if (judging && inTempoMode)
            AdvanceBeatClock (blockLength);
    }

    if (judging)
    {
        CollectNoteOns (midiMessages);

        if (inTempoMode)
            JudgeTempoModeNotes (blockLength);
        else
            JudgeChords (blockLength, (int) rate);

        ShiftStoredPositions (blockLength);
    }

    for (int n = 0; n < numSounds; ++n)
        PlayBuffer (n, buffer);
}

bool KeysteadProcessor::IsNoteOn (const juce::MidiMessageMetadata& event) noexcept
{
    return event.numBytes >= 3 && (event.data[0] & 0xF0) == 0x90 && event.data[2] != 0;
}

void KeysteadProcessor::CollectNoteOns (const juce::MidiBuffer& midiMessages)
{
    for (const auto event : midiMessages)
        if (IsNoteOn (event))
            incomingNotes.push_back ({ event.samplePosition, event.data[1], false });
}

void KeysteadProcessor::AdvanceBeatClock (int blockLength)
{
    auto& clicks = playRequests[clickSound];  // procLock is held by the caller

    // Only an empty click clip lets the last click retire while running: start the clock afresh.
    if (clicks.empty())
        clicks.push_back ({ 0, false });

    while (clicks.back().startPosition < blockLength)
        clicks.push_back ({ clicks.back().startPosition + BeatLength(), false });

    latestClick = clicks.back().startPosition;
}

void KeysteadProcessor::PlayClickPreview()
{
    const juce::ScopedLock holdingProcLock (procLock);
    auto& clicks = playRequests[clickSound];

    if (isRunning.load() && tempoMode.load() != 0 && ! clicks.empty())
        clicks.insert (clicks.end() - 1, { 0, false });
    else
        clicks.push_back ({ 0, false });
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
        return (double) defaultTempo;

    return juce::jlimit ((double) minimumTempo, (double) maximumTempo, value);
}

int KeysteadProcessor::CurrentSubdivisor() const noexcept
{
    return juce::jlimit (minimumSubdivisor, maximumSubdivisor, subdivisor.load());
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
    const int beat = BeatLength();

    // The distance from the latest beat at or before the note. Stepping a negative distance up
    // by whole beats in float gives exactly this remainder while the numbers stay within float's
    // exact integers (over five minutes of samples); beyond, the remainder stays well defined.
    juce::int64 fromBeat = (juce::int64) note.samplePosition - latestClick;

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
