#include "engine/KeysteadProcessor.h"

#include <thread>

#include "engine/EditorHandOvers.h"

template <typename Use>
void KeysteadProcessor::WithActiveEditor (Use&& use)
{
    // Counted before the fetch: DetachEditor clears the active editor under the framework's
    // lock and then waits for this count, so an editor fetched here outlives the call.
    editorHandOversInFlight.fetch_add (1, std::memory_order_acq_rel);

    // getActiveEditor takes the framework's editor lock.
    if (auto* handOvers = dynamic_cast<EditorHandOvers*> (getActiveEditor()))
        use (*handOvers);

    editorHandOversInFlight.fetch_sub (1, std::memory_order_release);
}

void KeysteadProcessor::DetachEditor (juce::AudioProcessorEditor* editor) noexcept
{
    editorBeingDeleted (editor);

    while (editorHandOversInFlight.load (std::memory_order_acquire) != 0)
        std::this_thread::yield();
}

void KeysteadProcessor::SetEditorFactory (EditorFactory factory)
{
    JUCE_ASSERT_MESSAGE_THREAD
    editorFactory = std::move (factory);
}

juce::AudioProcessorEditor* KeysteadProcessor::createEditor()
{
    JUCE_ASSERT_MESSAGE_THREAD
    return editorFactory ? editorFactory (*this) : nullptr;
}

bool KeysteadProcessor::hasEditor() const
{
    return editorFactory != nullptr;
}

//==============================================================================
void KeysteadProcessor::SendNoteOnSignal (const juce::MidiBuffer& midiMessages)
{
    if (midiMessages.isEmpty())
        return;

    WithActiveEditor ([&midiMessages] (EditorHandOvers& editor)
    {
        for (const auto event : midiMessages)
        {
            if (IsNoteOn (event))
            {
                editor.NoteOnSignal();
                return;
            }
        }
    });
}

void KeysteadProcessor::SendChordSpreadSignal (float spreadMs)
{
    WithActiveEditor ([spreadMs] (EditorHandOvers& editor) { editor.ChordSpreadSignal (spreadMs); });
}

void KeysteadProcessor::HandOverNewDot (float offsetFromReference, float dotRadius)
{
    WithActiveEditor ([offsetFromReference, dotRadius] (EditorHandOvers& editor)
    {
        editor.NewDot (offsetFromReference, dotRadius);
    });
}

void KeysteadProcessor::HandOverPhaseDisplayUpdate()
{
    WithActiveEditor ([] (EditorHandOvers& editor) { editor.PhaseDisplayUpdate(); });
}

void KeysteadProcessor::HandOverTempoChange (double newTempo, double oldTempo)
{
    WithActiveEditor ([newTempo, oldTempo] (EditorHandOvers& editor) { editor.TempoChange (newTempo, oldTempo); });
}
