#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include "engine/KeysteadProcessor.h"

// Drives a KeysteadProcessor the way the audio player does: at a fixed sample rate, block by block,
// with MIDI placed at exact sample positions inside each block.
class ProcessorHarness
{
public:
    explicit ProcessorHarness (KeysteadProcessor& engineToDrive, double rate = 48000.0, int blockLength = 512)
        : engine (engineToDrive), blockSize (blockLength)
    {
        engine.setRateAndBufferSizeDetails (rate, blockSize);
        engine.prepareToPlay (rate, blockSize);
        midi.ensureSize (4096);
    }

    void noteOn (int samplePosition, int noteNumber)
    {
        midi.addEvent (juce::MidiMessage::noteOn (1, noteNumber, (juce::uint8) 100), samplePosition);
    }

    /** Runs one block (of blockSize samples unless told) on a silent output, and returns it. */
    juce::AudioBuffer<float>& processBlock (int length = -1)
    {
        output.setSize (2, length < 0 ? blockSize : length, false, false, true);
        output.clear();
        engine.processBlock (output, midi);
        midi.clear();
        return output;
    }

    void processBlocks (int count) { for (int i = 0; i < count; ++i) processBlock(); }

    KeysteadProcessor& engine;
    const int blockSize;
    juce::AudioBuffer<float> output;
    juce::MidiBuffer midi;
};
