#include "engine/EditorHandOvers.h"

#include "EngineTestSupport.h"

// The engine's tests open a recording editor in place of the user interface's.
using enginetest::RecordingEditor;

juce::AudioProcessorEditor* EditorHandOvers::CreateEditor (KeysteadProcessor& engine)
{
    return new RecordingEditor (engine);
}

void EditorHandOvers::NoteOnSignal (juce::AudioProcessorEditor& editor)
{
    dynamic_cast<RecordingEditor&> (editor).record (RecordingEditor::noteOn);
}

void EditorHandOvers::ChordSpreadSignal (juce::AudioProcessorEditor& editor, float spreadMs)
{
    dynamic_cast<RecordingEditor&> (editor).record (RecordingEditor::chordSpread, spreadMs);
}

void EditorHandOvers::NewDot (juce::AudioProcessorEditor& editor, float offsetFromReference, float dotRadius)
{
    dynamic_cast<RecordingEditor&> (editor).record (RecordingEditor::newDot, offsetFromReference, dotRadius);
}

void EditorHandOvers::PhaseDisplayUpdate (juce::AudioProcessorEditor& editor)
{
    dynamic_cast<RecordingEditor&> (editor).record (RecordingEditor::phaseDisplay);
}

void EditorHandOvers::TempoChange (juce::AudioProcessorEditor& editor, double newTempo, double oldTempo)
{
    dynamic_cast<RecordingEditor&> (editor).record (RecordingEditor::tempoChange, newTempo, oldTempo);
}
