#include "app/ZibStandAloneApplication.h"

#include <cstdio>
#include <memory>
#include <thread>

#include <unistd.h>

#include "app/DisplayConnection.h"
#include "app/MainComponent.h"
#include "app/MainWindow.h"
#include "app/QuitSignals.h"
#include "app/SettingsFile.h"
#include "app/StandardErrorDrain.h"
#include "engine/AudioProcessorWITHMidiInFilter.h"

namespace
{
    /** Closes the audio device, giving it a few seconds: a stopped audio server (a JACK server
        under a debugger or in a frozen session) blocks the close for as long as it stays stopped.
        The settings are written by then, so the process ends without waiting for it. */
    void closeAudioDeviceWithin (juce::AudioDeviceManager& manager, int milliseconds, int exitStatus)
    {
        auto closed = std::make_shared<juce::WaitableEvent>();
        std::thread closer ([&manager, closed]
        {
            manager.closeAudioDevice();
            closed->signal();
        });

        if (! closed->wait (milliseconds))
        {
            std::fputs ("Keystead: the audio device did not close within four seconds; the program ends without"
                        " it.\n", stderr);
            StandardErrorDrain::EndProcess (exitStatus);
        }

        closer.join();
    }
}

ZibStandAloneApplication::ZibStandAloneApplication() = default;

ZibStandAloneApplication::~ZibStandAloneApplication()
{
    displayConnection = nullptr;
    appProperties = nullptr;
    player = nullptr;
    deviceManager = nullptr;
    mainWindow = nullptr;
    quitSignals = nullptr;
}

const juce::String ZibStandAloneApplication::getApplicationName()    { return "Keystead"; }
const juce::String ZibStandAloneApplication::getApplicationVersion() { return "1.0.0"; }
bool ZibStandAloneApplication::moreThanOneInstanceAllowed()          { return true; }
void ZibStandAloneApplication::anotherInstanceStarted (const juce::String&) {}
int ZibStandAloneApplication::GetNumOutputs()                        { return 2; }

void ZibStandAloneApplication::systemRequestedQuit()
{
    // No question to the user: the settings are written at shut-down anyway.
    juce::MessageManager::getInstance()->stopDispatchLoop();
}

void ZibStandAloneApplication::initialise (const juce::String&)
{
    // First, so that a quit signal during the start ends the process, even one that hangs opening
    // the audio device of a stopped audio server.
    quitSignals = std::make_unique<QuitSignals> ([this] { systemRequestedQuit(); }, []
    {
        // The message thread waits, most likely on a frozen X server (stopped, or at the end of a
        // stalled remote link): cut off, the wait ends as a lost display does, which saves.
        DisplayConnection::CutOff();
        std::fputs ("Keystead: the program has neither answered the quit request nor begun to save its settings"
                    " for three seconds (a frozen X display?); its connection to the display was cut so that"
                    " it can save them and end.\n", stderr);
    });

    // Before anything reads the settings, so that a display that stays unreachable leaves them
    // alone, as at the entry.
    if (! DisplayConnection::OpenForTheFramework())
    {
        DisplayConnection::SayUnavailable (DisplayConnection::Availability::cannotOpen);
        StandardErrorDrain::EndProcess (1);
    }

    appProperties = std::make_unique<juce::ApplicationProperties>();
    SettingsFile::Open (*appProperties, getApplicationName());

    auto& settings = *appProperties->getUserSettings();

    deviceManager = std::make_unique<juce::AudioDeviceManager>();

    const int numOutputs = GetNumOutputs();

    {
        // Anything but a saved device set-up (no text, broken text, another document) opens
        // the default device. The manager's error text is not shown: the user picks a device
        // in the settings window when none could be opened.
        const auto savedState = SettingsFile::ParseXml (settings.getValue (SettingsFile::audioDeviceStateKey));
        deviceManager->initialise (0, numOutputs, savedState.get(), true, {}, nullptr);
    }

    player = std::make_unique<MyAudioProcessorPlayer>();
    deviceManager->addAudioCallback (player.get());

    // Every MIDI input present at start is enabled; of several with the same name, the first.
    const auto midiInputs = juce::MidiInput::getAvailableDevices();

    for (const auto& input : midiInputs)
    {
        for (const auto& candidate : midiInputs)
        {
            if (candidate.name == input.name)
            {
                deviceManager->setMidiInputDeviceEnabled (candidate.identifier, true);
                break;
            }
        }
    }

    createZibProcessor();

    auto* filter = GetAudioProcessorWithMidiInFilter();

    if (filter != nullptr)
        SettingsFile::ReadFilterKeys (settings, *filter);

    // The player judges the channel of each message as it arrives, before merging channels.
    player->SetMidiInFilter (filter);

    createMainWindow();

    juce::MidiInputCallback* midiCallback = nullptr;

    if (mainWindow != nullptr)
        if (auto* content = dynamic_cast<MainComponent*> (mainWindow->getContentComponent()))
            midiCallback = content->GetMidiInputCallbackIfAny();

    deviceManager->addMidiInputDeviceCallback ({}, midiCallback != nullptr ? midiCallback : player.get());

    if (mainWindow != nullptr)
    {
        mainWindow->setApplicationCommandManagerToWatch (this);
        registerAllCommandsForTarget (mainWindow.get());
        getKeyMappings()->resetToDefaultMappings();
    }

    // After the first window, so that the framework's own handler for a lost display is in place.
    displayConnection = std::make_unique<DisplayConnection> ([this]
    {
        SaveSettings();
        return getApplicationReturnValue() == 0;
    });
}

void ZibStandAloneApplication::SaveSettings()
{
    JUCE_ASSERT_MESSAGE_THREAD

    if (appProperties == nullptr)
        return;

    // However long the disk takes, the quit's watchdog waits for the save.
    if (quitSignals != nullptr)
        quitSignals->SaveUnderWay();

    auto& settings = *appProperties->getUserSettings();

    if (auto* filter = GetAudioProcessorWithMidiInFilter())
        SettingsFile::WriteFilterKeys (settings, *filter);

    if (deviceManager != nullptr)
    {
        const auto state = deviceManager->createStateXml();
        settings.setValue (SettingsFile::audioDeviceStateKey, state.get());
    }

    // The old file stays whole, but this run's values are lost: the user hears of it, and so does
    // whatever started the program, through the exit status.
    const auto failure = SettingsFile::Save (*appProperties, getApplicationName());

    if (! failure.empty())
    {
        std::fprintf (stderr, "Keystead: the settings were not saved: %s\n", failure.c_str());
        setApplicationReturnValue (1);
    }

    if (quitSignals != nullptr)
        quitSignals->NothingLeftToSave (getApplicationReturnValue());
}

void ZibStandAloneApplication::shutdown()
{
    SaveSettings();

    displayConnection = nullptr;
    mainWindow = nullptr;

    if (deviceManager != nullptr)
        closeAudioDeviceWithin (*deviceManager, 4000, getApplicationReturnValue());

    deviceManager = nullptr;
    player = nullptr;
    appProperties = nullptr;
}
