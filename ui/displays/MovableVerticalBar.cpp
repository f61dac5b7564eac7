#include "ui/displays/MovableVerticalBar.h"

#include "engine/KeysteadProcessor.h"

using Bar = KeysteadEditor::DisplayComponent::MovableVerticalBar;

namespace
{
    constexpr float minimumDistance = KeysteadProcessor::smallestBarDistance;
    constexpr int lowestX = KeysteadProcessor::lowestBarPosition, highestX = KeysteadProcessor::chordStripWidth;
}

Bar::MovableVerticalBar()
{
    setMouseCursor (juce::MouseCursor::DraggingHandCursor);
}

Bar::~MovableVerticalBar() = default;

void Bar::PlaceAtCurrentX()
{
    setBounds (currentX - 2, 0, 5, getHeight());
}

void Bar::mouseDrag (const juce::MouseEvent& event)
{
    JUCE_ASSERT_MESSAGE_THREAD

    auto& partner = *partnerBar;
    int newX = startX + juce::roundToInt (event.position.x - event.mouseDownPosition.x);
    currentX = newX;

    auto pushPartner = [&partner] (float to)
    {
        partner.startX = partner.currentX = (int) to;
        partner.PlaceAtCurrentX();
    };

    if (startX > partner.currentX)
    {
        // The right-hand bar: the partner gives way to the left, down to the lowest position.
        int limit = (int) ((float) partner.currentX + minimumDistance);
        if (newX < limit)
        {
            pushPartner (std::max ((float) newX - minimumDistance, minimumDistance));
            limit = (int) ((float) partner.currentX + minimumDistance);
        }
        newX = std::max (newX, limit);
    }
    else
    {
        // The left-hand bar: the partner gives way to the right, up to the strip's end.
        int limit = (int) ((float) partner.currentX - minimumDistance);
        if (newX > limit)
        {
            pushPartner (std::min ((float) newX + minimumDistance, (float) highestX));
            limit = (int) ((float) partner.currentX - minimumDistance);
        }
        newX = std::min (newX, limit);
    }

    currentX = juce::jlimit (lowestX, highestX, newX);
    PlaceAtCurrentX();

    if (auto* strip = getParentComponent())
        strip->repaint();

    if (processor == nullptr)
        return;

    // getActiveEditor takes the framework's editor lock.
    if (auto* editor = dynamic_cast<KeysteadEditor*> (processor->getActiveEditor()))
    {
        processor->goodNoMetronome = editor->chordDisplay->goodBar.currentX;
        processor->noChordNoMetronome = editor->chordDisplay->noChordBar.currentX;
    }
}

void Bar::mouseUp (const juce::MouseEvent&)
{
    startX = currentX;
    PlaceAtCurrentX();
}

void Bar::paint (juce::Graphics& g)
{
    const bool chordMode = processor == nullptr || processor->tempoMode == 0;
    g.setColour (juce::Colours::black.withAlpha (chordMode ? 1.0f : INACTIVE_ALPHA));
    g.fillRect (2, 0, 1, getHeight());
}
