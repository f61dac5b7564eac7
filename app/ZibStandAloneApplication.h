#pragma once

#include <memory>

#include <juce_audio_utils/juce_audio_utils.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "app/MyAudioProcessorPlayer.h"

class AudioProcessorWITHMidiInFilter;
class DisplayConnection;
class QuitSignals;

/** A standalone application around an audio processor with a MIDI-input filter: the settings
    file, the audio device and MIDI inputs, the player between them and the processor, and the
    main window. The application object is also the command manager of the main window.

    A product derives from it, creates its processor and its main window in the two hooks, and
    names its processor through GetAudioProcessorWithMidiInFilter. */
class ZibStandAloneApplication : public juce::JUCEApplication,
                                 public juce::ApplicationCommandManager
{
public:
    class MainWindow;

    ZibStandAloneApplication();
    ~ZibStandAloneApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise (const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted (const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    /** Creates the processor, loads its settings and hands it to the player. */
    virtual void createZibProcessor() = 0;

    /** Creates the main window and stores it in mainWindow. */
    virtual void createMainWindow() = 0;

    /** The number of output channels asked of the audio device. */
    virtual int GetNumOutputs();

    virtual AudioProcessorWITHMidiInFilter* GetAudioProcessorWithMidiInFilter() = 0;

    /** Writes the run's values into the settings and saves the file, if anything changed: at the
        shut-down, and when the connection to the display is lost. Either is the run's last save:
        from then on a quit signal ends the program at once. A product that keeps values of its own
        writes them and then calls this. */
    virtual void SaveSettings();

    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<juce::AudioDeviceManager> deviceManager;
    std::unique_ptr<MyAudioProcessorPlayer> player;
    std::unique_ptr<juce::ApplicationProperties> appProperties;

private:
    // Kept until the application goes, so a signal during the shut-down cannot cut it short.
    std::unique_ptr<QuitSignals> quitSignals;

    // Saves the settings when the display goes away, which ends the process without a shut-down.
    std::unique_ptr<DisplayConnection> displayConnection;

    JUCE_DECLARE_NON_COPYABLE (ZibStandAloneApplication)
};
