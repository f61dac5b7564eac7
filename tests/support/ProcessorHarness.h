#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/KeysteadProcessor.h"

/** Drives a KeysteadProcessor the way the audio player does: at a fixed sample rate, block by
    block, with MIDI placed at exact sample positions inside each block. */
class ProcessorHarness
{
public:
    explicit ProcessorHarness (KeysteadProcessor& engineToDrive, double rate = 48000.0, int blockLength = 512)
        : engine (engineToDrive), sampleRate (rate), blockSize (blockLength)
    {
        engine.setRateAndBufferSizeDetails (sampleRate, blockSize);
        engine.prepareToPlay (sampleRate, blockSize);
        output.setSize (2, blockSize);
        midi.ensureSize (4096);
    }

    /** Adds a note-on to the MIDI of the next block. */
    void noteOn (int samplePosition, int noteNumber, int velocity = 100, int channel = 1)
    {
        midi.addEvent (juce::MidiMessage::noteOn (channel, noteNumber, (juce::uint8) velocity), samplePosition);
    }

    void addRaw (int samplePosition, std::initializer_list<juce::uint8> bytes)
    {
        const std::vector<juce::uint8> data (bytes);
        midi.addEvent (data.data(), (int) data.size(), samplePosition);
    }

    /** Runs one block on a silent output; returns the output. */
    juce::AudioBuffer<float>& processBlock (int length = -1)
    {
        const int n = length < 0 ? blockSize : length;
        output.setSize (2, n, false, false, true);
        output.clear();
        engine.processBlock (output, midi);
        midi.clear();
        ++blocksProcessed;
        return output;
    }

    void processBlocks (int count)
    {
        for (int i = 0; i < count; ++i)
            processBlock();
    }

    KeysteadProcessor& engine;
    const double sampleRate;
    const int blockSize;
    juce::AudioBuffer<float> output;
    juce::MidiBuffer midi;
    int blocksProcessed = 0;
};
