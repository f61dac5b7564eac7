#pragma once

#include <memory>

#include <juce_audio_devices/juce_audio_devices.h>
#include <juce_audio_processors/juce_audio_processors.h>

class KeysteadProcessor;

/** The main window's content: the engine's editor, with room above it for the menu bar. */
class MainComponent : public juce::Component
{
public:
    explicit MainComponent (KeysteadProcessor* engine);
    ~MainComponent() override;

    void paint (juce::Graphics& g) override;
    bool keyPressed (const juce::KeyPress& key) override;
    void resized() override;

    /** A hook for a content that shows its own keyboard; this one has none. */
    virtual void SetMidiInChanelForKeyboardCompIfAny (int channel);

    /** A content that consumes MIDI itself returns its callback here; null lets the
        application's player receive the MIDI of every enabled input. */
    virtual juce::MidiInputCallback* GetMidiInputCallbackIfAny();

    KeysteadProcessor* processor;
    std::unique_ptr<juce::AudioProcessorEditor> editor;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainComponent)
};
