#include "ui/displays/AsyncAddChord.h"

#include "ui/displays/NewChordThread.h"
#include "ui/displays/PointComponent.h"

using AddChord = KeysteadEditor::DisplayComponent::AsyncAddChord;

AddChord::AsyncAddChord (DisplayComponent* d, float v, juce::Colour c)
    : display (d), value (v), colour (c)
{
}

AddChord::~AsyncAddChord()
{
    cancelPendingUpdate();
}

void AddChord::handleAsyncUpdate()
{
    JUCE_ASSERT_MESSAGE_THREAD

    if (auto* strip = display.getComponent())
    {
        auto& s = *strip;
        s.ringIndex = (s.ringIndex + 1) % numPoints;

        auto point = std::make_unique<PointComponent> (colour, &s.ringIndex, s.ringIndex);
        s.addAndMakeVisible (*point);

        // Anywhere in the strip's height, so that points of equal spread stay apart.
        const int room = s.getHeight() - 3;
        const int y = room > 0 ? std::rand() % room : 0;
        point->setBounds (PointX (value), y, PointComponent::size, PointComponent::size);

        s.points[(size_t) s.ringIndex] = std::move (point);

        s.editor.DisplayWorstAndAverage();
        s.newChordThread->startThread();
    }

    delete this;
}
