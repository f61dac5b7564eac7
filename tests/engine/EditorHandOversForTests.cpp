#include "engine/EditorHandOvers.h"

#include "EngineTestSupport.h"

using enginetest::RecordingEditor;

static RecordingEditor& recorder (juce::AudioProcessorEditor& e) { return dynamic_cast<RecordingEditor&> (e); }

juce::AudioProcessorEditor* EditorHandOvers::CreateEditor (KeysteadProcessor& engine)
{
    return new RecordingEditor (engine);
}

void EditorHandOvers::NoteOnSignal (juce::AudioProcessorEditor& e) { recorder (e).record (RecordingEditor::noteOn); }

void EditorHandOvers::ChordSpreadSignal (juce::AudioProcessorEditor& e, float spreadMs)
{
    recorder (e).record (RecordingEditor::chordSpread, spreadMs);
}

void EditorHandOvers::NewDot (juce::AudioProcessorEditor& e, float offset, float)
{
    recorder (e).record (RecordingEditor::newDot, offset);
}

void EditorHandOvers::PhaseDisplayUpdate (juce::AudioProcessorEditor& e)
{
    recorder (e).record (RecordingEditor::phaseDisplay);
}

void EditorHandOvers::TempoChange (juce::AudioProcessorEditor& e, double newTempo, double)
{
    recorder (e).record (RecordingEditor::tempoChange, newTempo);
}
