#pragma once

#include <juce_graphics/juce_graphics.h>

/** The short yellow halo of the chord strip's newest point and of a new phase dot: it grows and
    fades out over five steps of 50 ms. */
class NewPointHalo
{
public:
    /** The steps count down from firstStep, the first one shown, to 0, where the halo is gone. */
    static constexpr int firstStep = 5;
    static constexpr int stepMs = 50;

    /** Paints the halo at a step: a disc 10 k + 4 pixels wide, with k = firstStep + 1 - step,
        around the 4-pixel square whose top left corner is (x, y), in yellow at step fifths of
        full opacity. */
    static void Paint (juce::Graphics& g, int step, int x, int y);
};
