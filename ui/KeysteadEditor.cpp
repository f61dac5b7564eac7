#include "ui/KeysteadEditor.h"

#include "BinaryData.h"

const juce::Colour KeysteadEditor::MS_GOOD_COLOUR (0xFF90EE90);
const juce::Colour KeysteadEditor::MS_BAD_COLOUR (0xFFFF1493);

KeysteadEditor::KeysteadEditor (juce::AudioProcessor& processorToEdit,
                                int, int,
                                RelaxedAtomic<float>&, RelaxedAtomic<float>&,
                                bool, bool, int, int, float, float)
    : juce::AudioProcessorEditor (processorToEdit)
{
    setSize (editorWidth, editorHeight);
}

KeysteadEditor::~KeysteadEditor() = default;

void KeysteadEditor::paint (juce::Graphics& g)
{
    // The window shows this editor as opaque, so every pixel must be painted.
    g.fillAll (juce::Colours::white);
    g.drawImageAt (GetBackground(), 0, 0);
}

juce::Image& KeysteadEditor::GetBackground()
{
    // Function-local static: decoded once, thread-safely, on the first call.
    static juce::Image background = juce::ImageCache::getFromMemory (BinaryData::resource_KeysteadEditor_vorthAuPiano_jpg,
                                                                     BinaryData::resource_KeysteadEditor_vorthAuPiano_jpgSize);

    return background;
}
