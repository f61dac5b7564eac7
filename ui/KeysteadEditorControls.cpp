#include "ui/KeysteadEditor.h"

#include "engine/KeysteadProcessor.h"

void KeysteadEditor::buttonClicked (juce::Button*)
{
}

void KeysteadEditor::sliderValueChanged (juce::Slider*)
{
}

void KeysteadEditor::setControlHighlight (juce::AudioProcessorEditor::ParameterControlHighlightInfo)
{
}

void KeysteadEditor::DisplayWorstAndAverage()
{
}

void KeysteadEditor::SetGuiForDependingOnTempo (bool)
{
}
