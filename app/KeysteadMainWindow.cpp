#include "app/KeysteadMainWindow.h"

#include "app/MainComponent.h"
#include "app/MidiInFilterComponent.h"

KeysteadApplication::KeysteadMainWindow::KeysteadMainWindow (const juce::String& name,
                                                             juce::AudioDeviceManager& deviceManager,
                                                             KeysteadProcessor* engine,
                                                             ZibStandAloneApplication& owner)
    : ZibStandAloneApplication::MainWindow (name, owner)
{
    setUsingNativeTitleBar (true);

    setContentOwned (new MainComponent (engine), true);
    centreWithSize (getWidth(), getHeight());
    setVisible (true);

    // The menu bar takes the top strip of the content area, which leaves the editor's size.
    setMenuBar (this);

    audioSettingsWindow.setContentOwned (new juce::AudioDeviceSelectorComponent (deviceManager,
                                                                                0, 0,   // audio inputs
                                                                                1, 1,   // audio outputs
                                                                                true,   // MIDI inputs
                                                                                false,  // MIDI output
                                                                                true,   // stereo pairs
                                                                                false), // advanced shown
                                         false);
    audioSettingsWindow.setSize (settingsWindowWidth, settingsWindowHeight);

    auto* filterPanel = new MidiInFilterComponent (application->GetAudioProcessorWithMidiInFilter());
    midiInFilterWindow.setContentOwned (filterPanel, true);
    midiInFilterWindow.setSize (filterPanel->getWidth(), filterPanel->getHeight());
}
