#include "ui/DisplayComponent.h"

KeysteadEditor::DisplayComponent::DisplayComponent (KeysteadEditor& owner, KeysteadProcessor* processor,
                                                    int goodNoMetronome, int noChordNoMetronome)
    : editor (owner)
{
    for (auto* bar : { &goodBar, &noChordBar })
    {
        bar->partnerBar = bar == &goodBar ? &noChordBar : &goodBar;
        bar->processor = processor;
    }

    goodBar.startX = goodBar.currentX = goodNoMetronome;
    noChordBar.startX = noChordBar.currentX = noChordNoMetronome;

    addAndMakeVisible (goodLabel);
    addAndMakeVisible (badLabel);
    addAndMakeVisible (goodMsLabel);
    addAndMakeVisible (noChordMsLabel);
    addAndMakeVisible (goodBar);
    addAndMakeVisible (noChordBar);
}

KeysteadEditor::DisplayComponent::~DisplayComponent()
{
    for (auto& point : points)
        point.reset();
}

KeysteadEditor::DisplayComponent::PointComponent::PointComponent (juce::Colour c, const int* ring, int s)
    : colour (c), ringIndex (ring), slot (s)
{
}

KeysteadEditor::DisplayComponent::AsyncAddChord::AsyncAddChord (DisplayComponent* d, float v, juce::Colour c)
    : display (d), value (v), colour (c)
{
}

KeysteadEditor::DisplayComponent::AsyncAddChord::~AsyncAddChord()
{
    cancelPendingUpdate();
}

void KeysteadEditor::DisplayComponent::AsyncAddChord::handleAsyncUpdate()
{
    delete this;
}
