#pragma once

#include "app/KeysteadApplication.h"
#include "app/MainWindow.h"

/** Keystead's main window: the engine's editor below the menu bar, the framework's device
    selector in the settings window and the filter panel in the filter window. */
class KeysteadApplication::KeysteadMainWindow : public ZibStandAloneApplication::MainWindow
{
public:
    KeysteadMainWindow (const juce::String& name,
                        juce::AudioDeviceManager& deviceManager,
                        KeysteadProcessor* engine,
                        ZibStandAloneApplication& owner);

    static constexpr int settingsWindowWidth = 500, settingsWindowHeight = 450;

private:
    JUCE_DECLARE_NON_COPYABLE (KeysteadMainWindow)
};
