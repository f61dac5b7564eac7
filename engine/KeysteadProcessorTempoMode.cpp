#include "engine/KeysteadProcessor.h"

#include <algorithm>
#include <limits>

namespace
{
    /** Where a phase lies after the reference, as a fraction of a turn in [0, 1). */
    float offsetFrom (float phase, float referencePhase) noexcept
    {
        return KeysteadProcessor::OrderedS1ValueListWithReference::ForwardDistance (referencePhase, phase);
    }

    /** How far a phase lies from the reference either way, in [0, 0.5]. */
    float distanceFrom (float phase, float referencePhase) noexcept
    {
        const float e = offsetFrom (phase, referencePhase);
        return e <= 0.5f ? e : 1.0f - e;
    }
}

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
            const juce::ScopedLock holdingListLock (s1List.lock);
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
            const float margin = DialGapDegrees (CurrentTempo(), CurrentSubdivisor()) * degreesToTurns;
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
        auto besideAGoodNote = [this] (const Note& bad)
        {
            return std::any_of (pendingGoodNotes.begin(), pendingGoodNotes.end(),
                                [&bad] (const Note& good) { return AreNeighbourKeys (good, bad); });
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
        AnswerPoorVerdict (std::any_of (pendingBadNotes.begin(), pendingBadNotes.end(),
                                        [] (const Note& note) { return note.isVeryBad; }));
    }

    float referencePhase;

    {
        const juce::ScopedLock holdingListLock (s1List.lock);
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
            const double newTempo = juce::jlimit ((double) minimumTempo, (double) maximumTempo,
                                                  oldTempo / (double) (1.0f + change));
            tempo = newTempo;
            HandOverTempoChange (newTempo, oldTempo);
        }
    }

    if (hasReference)
    {
        // Measured with the tempo the follow has just set.
        auto count = [this, referencePhase] (const Note& note)
        {
            CountError (MillisecondsOf (distanceFrom (PhaseOf (note), referencePhase)));
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

