#pragma once

#include "app/ZibStandAloneApplication.h"

class KeysteadProcessor;

/** Keystead: the standalone application around the analysis engine. */
class KeysteadApplication : public ZibStandAloneApplication
{
public:
    class KeysteadMainWindow;

    KeysteadApplication();
    ~KeysteadApplication() override;

    void shutdown() override;
    void SaveSettings() override;
    void createZibProcessor() override;
    void createMainWindow() override;
    AudioProcessorWITHMidiInFilter* GetAudioProcessorWithMidiInFilter() override;

    std::unique_ptr<KeysteadProcessor> processor;

private:
    JUCE_DECLARE_NON_COPYABLE (KeysteadApplication)
};
