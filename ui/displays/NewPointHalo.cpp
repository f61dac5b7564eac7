#include "ui/displays/NewPointHalo.h"

namespace
{
    const juce::Colour haloColour (0x00FFFF00);
    constexpr int alphaPerStep = 0x33;
}

void NewPointHalo::Paint (juce::Graphics& g, int step, int x, int y)
{
    const int k = firstStep + 1 - step;
    g.setColour (haloColour.withAlpha ((juce::uint8) (step * alphaPerStep)));
    g.fillEllipse ((float) (x - 5 * k), (float) (y - 5 * k), (float) (10 * k + 4), (float) (10 * k + 4));
}
