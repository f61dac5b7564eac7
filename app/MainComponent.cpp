#include "app/MainComponent.h"

#include "engine/KeysteadProcessor.h"

MainComponent::MainComponent (KeysteadProcessor* engine)
    : processor (engine)
{
    if (processor != nullptr)
        editor.reset (processor->createEditorIfNeeded());

    if (editor != nullptr)
    {
        editor->setOpaque (true);
        addAndMakeVisible (*editor);

        // The window puts its menu bar over the top strip of this component; the editor's
        // area is what remains below it.
        setSize (editor->getWidth(),
                 editor->getHeight() + juce::LookAndFeel::getDefaultLookAndFeel().getDefaultMenuBarHeight());
    }
}

MainComponent::~MainComponent()
{
    editor = nullptr;
}

void MainComponent::paint (juce::Graphics&)
{
}

bool MainComponent::keyPressed (const juce::KeyPress& key)
{
    return editor != nullptr && editor->keyPressed (key);
}

void MainComponent::resized()
{
}

void MainComponent::SetMidiInChanelForKeyboardCompIfAny (int)
{
}

juce::MidiInputCallback* MainComponent::GetMidiInputCallbackIfAny()
{
    return nullptr;
}
