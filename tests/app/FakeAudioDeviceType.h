#pragma once

#include "tests/app/FakeAudioDevice.h"

// The device type "Fake" with its one device, for a device manager to open.
class FakeAudioDeviceType : public juce::AudioIODeviceType
{
public:
    explicit FakeAudioDeviceType (std::function<void()> stopHook)
        : juce::AudioIODeviceType ("Fake"), onStop (stopHook) {}

    void scanForDevices() override {}
    juce::StringArray getDeviceNames (bool) const override         { return { "Fake" }; }
    int getDefaultDeviceIndex (bool) const override                { return 0; }
    int getIndexOfDevice (juce::AudioIODevice* d, bool) const override { return d != nullptr ? 0 : -1; }
    bool hasSeparateInputsAndOutputs() const override              { return true; }

    juce::AudioIODevice* createDevice (const juce::String&, const juce::String&) override
    {
        return new FakeAudioDevice (onStop);
    }

private:
    std::function<void()> onStop;
};
