#include "ui/displays/PointComponent.h"

using Point = KeysteadEditor::DisplayComponent::PointComponent;

Point::PointComponent (juce::Colour c, const int* ring, int s)
    : colour (c), ringIndex (ring), slot (s)
{
}

Point::~PointComponent() = default;

juce::uint8 Point::AlphaForAge (int age) noexcept
{
    return (juce::uint8) ((numPoints - age) * 255 / numPoints);
}

void Point::paint (juce::Graphics& g)
{
    const int age = ((*ringIndex - slot) % numPoints + numPoints) % numPoints;
    g.setColour (colour.withAlpha (AlphaForAge (age)));
    g.fillAll();
}
