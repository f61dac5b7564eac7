#include "ui/KeysteadEditor.h"

KeysteadEditor::KeysteadEditor (juce::AudioProcessor& processorToEdit,
                                int, int,
                                RelaxedAtomic<float>&, RelaxedAtomic<float>&,
                                bool, bool, int, int, float, float)
    : juce::AudioProcessorEditor (processorToEdit)
{
    setSize (editorWidth, editorHeight);
}

KeysteadEditor::~KeysteadEditor() = default;
