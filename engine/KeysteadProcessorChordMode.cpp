#include "engine/KeysteadProcessor.h"

#include <algorithm>
#include <cstdlib>

namespace
{
    // Strip pixels times the strip's milliseconds, to seconds.
    constexpr float chordPixelsToSeconds = 1.0f / ((float) KeysteadProcessor::chordStripWidth * 1000.0f);

    using Note = KeysteadProcessor::Note;

    /** Whether two notes, in time order, lie closer than the no-chord limit: the link of a chord. */
    bool closeEnough (float noChordSamples, const Note& later, const Note& earlier) noexcept
    {
        return noChordSamples > (float) ((juce::int64) later.samplePosition - earlier.samplePosition);
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

void KeysteadProcessor::JudgeChords (int blockLength, int sampleRate)
{
    auto secondsOf = [] (int pixels) { return (float) ((juce::int64) pixels * chordStripMs) * chordPixelsToSeconds; };
    const float goodSeconds = secondsOf (goodNoMetronome.load());
    const float noChordSeconds = secondsOf (noChordNoMetronome.load());
    const float middlingSeconds = std::min ((goodSeconds + noChordSeconds) * 0.5f, goodSeconds + 0.025f);

    const float rate = (float) sampleRate;
    const float goodSamples = goodSeconds * rate;
    const float noChordSamples = noChordSeconds * rate;
    const float middlingSamples = middlingSeconds * rate;
    const float cut = (float) blockLength - noChordSamples;
    const juce::int64 longestChord = (juce::int64) sampleRate * 150 / 1000;

    auto closeEnough = [noChordSamples] (const Note& later, const Note& earlier)
    {
        return ::closeEnough (noChordSamples, later, earlier);
    };

    // Chords are taken from the end, so several closed in one block are judged latest first.
    for (;;)
    {
        if (incomingNotes.empty())
            return;

        const Note latest = incomingNotes.back();

        // More notes may still join this chord in the next block.
        if ((float) latest.samplePosition >= cut)
        {
            ThinChainTooLongToJudge (noChordSamples, longestChord);
            return;
        }

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
                const auto& note = chordNotes[i];
                const bool hasNeighbour = std::any_of (chordNotes.begin(), chordNotes.end(),
                                                       [&note] (const Note& o) { return AreNeighbourKeys (o, note); });

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
        CountError (spreadMs);

        if (absoluteSpread > middlingSamples)
            AnswerPoorVerdict (true);
        else if (absoluteSpread > goodSamples)
            AnswerPoorVerdict (false);

        SendChordSpreadSignal (spreadMs);
    }
}

void KeysteadProcessor::ThinChainTooLongToJudge (float noChordSamples, juce::int64 longestChord)
{
    // The notes at the end of the list that are each closer than the no-chord limit to the next
    // form one chain, which later notes can only lengthen. Once it spans the longest chord it
    // will be dropped whole, without a verdict, whenever it ends. Of such a chain only the
    // notes that keep it one chain of that span are kept: the latest, then, going back, each
    // time the earliest note still close to the one kept before, until the span is reached.
    // Endless playing (a trill, a repeating source) then holds a handful of notes, not all.
    const size_t n = incomingNotes.size();

    if (n < 2)
        return;

    size_t first = n - 1;

    while (first > 0 && closeEnough (noChordSamples, incomingNotes[first], incomingNotes[first - 1]))
        --first;

    const juce::int64 latest = incomingNotes.back().samplePosition;

    if (latest - incomingNotes[first].samplePosition < longestChord)
        return;  // it may still become a chord

    // The kept notes gather at the end, [kept, n); the notes below `from` are not read yet.
    Note anchor = incomingNotes.back();
    size_t kept = n - 1, from = n - 1;

    while (latest - anchor.samplePosition < longestChord)
    {
        size_t hop = from - 1;  // the chain's next-earlier note is always close enough

        while (hop > first && closeEnough (noChordSamples, anchor, incomingNotes[hop - 1]))
            --hop;

        anchor = incomingNotes[hop];
        incomingNotes[--kept] = anchor;
        from = hop;
    }

    const auto begin = incomingNotes.begin();
    incomingNotes.erase (begin + (std::ptrdiff_t) first, begin + (std::ptrdiff_t) kept);
}
