#include "engine/KeysteadProcessor.h"

#include <algorithm>

namespace
{
    // One more than the list can hold, so that an insertion never has to grow it.
    constexpr size_t reservedPhases = KeysteadProcessor::OrderedS1ValueListWithReference::maxAgeDifference + 2;

    // The age counter runs up to this value and then folds back by 256 (with every stored age),
    // so it stays small while every difference counter - age keeps its meaning.
    constexpr int highestAgeCounter = 511;
    constexpr int ageFold = 256;
}

using List = KeysteadProcessor::OrderedS1ValueListWithReference;

List::OrderedS1ValueListWithReference (const RelaxedAtomic<float>* windowInDegrees)
    : windowDegrees (windowInDegrees), reference (S1Float::UNDEFINED)
{
    values.reserve (reservedPhases);
}

void List::InsertValue (float phase, float dotRadius)
{
    const juce::ScopedLock holdingListLock (lock);

    const int previous = ageCounter;

    if (previous >= highestAgeCounter)
    {
        ageCounter = previous - (ageFold - 1);

        for (auto& entry : values)
            entry.age -= ageFold;
    }
    else
    {
        ageCounter = previous + 1;
    }

    // A dot fades by one step per insertion; beyond this age it has faded completely.
    const int newest = ageCounter;
    values.erase (std::remove_if (values.begin(), values.end(),
                                  [newest] (const S1Float& entry) { return newest - entry.age > maxAgeDifference; }),
                  values.end());

    const S1Float entry (phase, newest, dotRadius);
    const size_t n = values.size();

    if (n >= 2)
    {
        for (size_t i = 0; i + 1 < n; ++i)
        {
            const float here = values[i].value;

            if (ForwardDistance (here, phase) <= ForwardDistance (here, values[i + 1].value))
            {
                values.insert (values.begin() + (std::ptrdiff_t) (i + 1), entry);
                return;
            }
        }
    }

    values.push_back (entry);
}

void List::EraseValue (float phase)
{
    const juce::ScopedLock holdingListLock (lock);

    const size_t n = values.size();

    // Step over the entries equal to the phase at the front: the run found next is then whole.
    size_t first = 0;
    while (first < n && values[first].value == phase)
        ++first;

    if (first == n)
        return;  // empty, or every entry holds the phase

    size_t start = first;
    for (size_t steps = 0; values[start].value != phase; start = (start + 1) % n)
        if (++steps == n)
            return;  // no entry holds the phase

    size_t newest = start;
    int newestAge = values[start].age;

    for (size_t k = (start + 1) % n; values[k].value == phase; k = (k + 1) % n)
    {
        if (values[k].age >= newestAge)
        {
            newest = k;
            newestAge = values[k].age;
        }
    }

    values.erase (values.begin() + (std::ptrdiff_t) newest);
}

void List::UpdateReference()
{
    const juce::ScopedLock holdingListLock (lock);

    const size_t n = values.size();

    if (n < 2)
    {
        reference = S1Float::UNDEFINED;
        return;
    }

    const float window = windowDegrees->load() * degreesToTurns;
    auto valueAt = [this, n] (size_t unrolled) { return values[unrolled % n].value; };

    // Each start's window is the start and the entries after it, in circular order, while they
    // lie less than the window ahead of it, never more than all n. While the values go once
    // round the circle, a window ends no earlier than the one before it: the end only moves on,
    // and it still lies inside the next start's window whenever every entry before it does.
    size_t bestStart = 0, bestCount = 1;
    float bestSpread = 0.0f;

    auto consider = [&bestStart, &bestCount, &bestSpread] (size_t start, size_t count, float spread)
    {
        if (count >= 2 && (count > bestCount || (count == bestCount && spread < bestSpread)))
        {
            bestStart = start;
            bestCount = count;
            bestSpread = spread;
        }
    };

    size_t end = 0;      // unrolled index of the last entry in the current window
    size_t descents = 0; // places where the next value is smaller: one per turn round the circle

    for (size_t i = 0; i < n; ++i)
    {
        const float start = values[i].value;

        if (valueAt (i + 1) < start)
            ++descents;

        if (end <= i || ! (ForwardDistance (start, valueAt (end)) < window))
            end = i;

        while (end + 1 < i + n && ForwardDistance (start, valueAt (end + 1)) < window)
            ++end;

        consider (i, end - i + 1, ForwardDistance (start, valueAt (end)));
    }

    // The insertion, in single precision, can leave a list that goes round twice: two phases a
    // few ulps apart near a turn boundary can lie at the same forward distance from an earlier
    // entry, and the newer then goes in before the older. On such a list an entry a whole turn
    // on can lie inside a window whose end the sweep carried over, so each window is counted
    // entry by entry instead. Such lists are rare; the sweep stays the rule.
    if (descents > 1)
    {
        bestStart = 0;
        bestCount = 1;
        bestSpread = 0.0f;

        for (size_t i = 0; i < n; ++i)
        {
            const float start = values[i].value;
            size_t count = 1;

            while (count < n && ForwardDistance (start, valueAt (i + count)) < window)
                ++count;

            consider (i, count, ForwardDistance (start, valueAt (i + count - 1)));
        }
    }

    if (bestCount < 2)
    {
        reference = S1Float::UNDEFINED;
        return;
    }

    const float start = values[bestStart].value;
    float sum = 0.0f;

    for (size_t k = bestStart + 1; k < bestStart + bestCount; ++k)
        sum += ForwardDistance (start, valueAt (k));

    float mean = start + sum / (float) bestCount;

    if (mean >= 1.0f)
        mean -= 1.0f;

    reference = S1Float (mean);
}
