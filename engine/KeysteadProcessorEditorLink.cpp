#include "engine/KeysteadProcessor.h"

#include <thread>

#include "engine/EditorHandOvers.h"

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

juce::AudioProcessorEditor* KeysteadProcessor::createEditor()
{
    return EditorHandOvers::CreateEditor (*this);
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
            if (IsNoteOn (event))
            {
                EditorHandOvers::NoteOnSignal (editor);
                return;
            }
        }
    });
}

void KeysteadProcessor::SendChordSpreadSignal (float spreadMs)
{
    WithActiveEditor ([spreadMs] (juce::AudioProcessorEditor& editor)
    {
        EditorHandOvers::ChordSpreadSignal (editor, spreadMs);
    });
}

void KeysteadProcessor::HandOverNewDot (float offsetFromReference, float dotRadius)
{
    WithActiveEditor ([offsetFromReference, dotRadius] (juce::AudioProcessorEditor& editor)
    {
        EditorHandOvers::NewDot (editor, offsetFromReference, dotRadius);
    });
}

void KeysteadProcessor::HandOverPhaseDisplayUpdate()
{
    WithActiveEditor ([] (juce::AudioProcessorEditor& editor) { EditorHandOvers::PhaseDisplayUpdate (editor); });
}

void KeysteadProcessor::HandOverTempoChange (double newTempo, double oldTempo)
{
    WithActiveEditor ([newTempo, oldTempo] (juce::AudioProcessorEditor& editor)
    {
        EditorHandOvers::TempoChange (editor, newTempo, oldTempo);
    });
}
