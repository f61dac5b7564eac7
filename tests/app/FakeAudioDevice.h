#pragma once

#include <functional>

#include <juce_audio_devices/juce_audio_devices.h>

// A device that opens and runs without hardware: four outputs and two inputs at 48 kHz. It
// makes no audio callbacks of its own; onStop runs each time it stops, with its callback still set.
class FakeAudioDevice : public juce::AudioIODevice
{
public:
    explicit FakeAudioDevice (std::function<void()> stopHook)
        : juce::AudioIODevice ("Fake", "Fake"), onStop (stopHook) {}
    ~FakeAudioDevice() override { close(); }

    juce::StringArray getOutputChannelNames() override     { return { "Out 1", "Out 2", "Out 3", "Out 4" }; }
    juce::StringArray getInputChannelNames() override      { return { "In 1", "In 2" }; }
    juce::Array<double> getAvailableSampleRates() override { return { 48000.0 }; }
    juce::Array<int> getAvailableBufferSizes() override    { return { 512 }; }
    int getDefaultBufferSize() override                    { return 512; }

    juce::String open (const juce::BigInteger& inputs, const juce::BigInteger& outputs, double, int) override
    {
        std::tie (activeInputs, activeOutputs, opened) = std::tuple (inputs, outputs, true);
        return {};
    }

    void close() override { stop(); opened = false; }
    bool isOpen() override { return opened; }

    void start (juce::AudioIODeviceCallback* c) override
    {
        if (c != nullptr && callback == nullptr)
            c->audioDeviceAboutToStart (this);
        callback = c;
    }

    void stop() override
    {
        if (callback == nullptr)
            return;
        onStop();
        std::exchange (callback, nullptr)->audioDeviceStopped();
    }

    bool isPlaying() override                              { return callback != nullptr; }
    juce::String getLastError() override                   { return {}; }
    int getCurrentBufferSizeSamples() override             { return 512; }
    double getCurrentSampleRate() override                 { return 48000.0; }
    int getCurrentBitDepth() override                      { return 32; }
    juce::BigInteger getActiveOutputChannels() const override { return activeOutputs; }
    juce::BigInteger getActiveInputChannels() const override  { return activeInputs; }
    int getOutputLatencyInSamples() override               { return 0; }
    int getInputLatencyInSamples() override                { return 0; }

private:
    std::function<void()> onStop;
    juce::AudioIODeviceCallback* callback = nullptr;
    juce::BigInteger activeInputs, activeOutputs;
    bool opened = false;
};

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
