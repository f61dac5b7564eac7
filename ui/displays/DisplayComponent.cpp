#include "ui/displays/DisplayComponent.h"

#include <cstring>

#include "engine/KeysteadProcessor.h"
#include "ui/displays/AsyncRepaint.h"
#include "ui/displays/MovableVerticalBar.h"
#include "ui/displays/NewChordThread.h"
#include "ui/displays/NewPointHalo.h"
#include "ui/displays/PointComponent.h"

namespace
{
    using Engine = KeysteadProcessor;

    constexpr float msToPixels = 1.1466666f;
    constexpr float gradientWidth = Engine::smallestBarDistance;
    constexpr float gradientHalf = 14.666667f;
    constexpr float zoneLabelFontHeight = 20.0f, msLabelFontHeight = 9.0f;
    constexpr int smallestZoneLabelFont = 10;

    float floatFromBits (juce::uint32 bits) noexcept
    {
        float f = 0.0f;
        std::memcpy (&f, &bits, sizeof (f));
        return f;
    }

    int roomIn (const juce::Label& label)
    {
        return label.getWidth() - label.getBorderSize().getLeftAndRight();
    }

    // The zone's name at the largest height from 20 down to 10 that fits its zone.
    void fitZoneLabel (juce::Label& label, juce::Rectangle<int> zone)
    {
        label.setBounds (zone);
        label.setFont (ZibLookAndFeel::ShrunkToFit (juce::Font (zoneLabelFontHeight, juce::Font::plain),
                                                    label.getText(), (float) roomIn (label), smallestZoneLabelFont));
    }

    // A limit in milliseconds above its zone, without the unit when that does not fit.
    void setMsLabel (juce::Label& label, juce::Rectangle<int> zone, int pixels)
    {
        using Strip = KeysteadEditor::DisplayComponent;
        label.setBounds (zone.withHeight (10));

        const int ms = (int) ((float) (pixels * Engine::chordStripMs) * Strip::PIXELS_TO_MS_OVER_150);
        const juce::String withUnit = juce::String (ms) + " ms";
        const bool fits = std::ceil (label.getFont().getStringWidthFloat (withUnit)) <= (float) roomIn (label);
        label.setText (fits ? withUnit : juce::String (ms), juce::dontSendNotification);
    }
}

const float KeysteadEditor::DisplayComponent::PIXELS_TO_MS_OVER_150 = floatFromBits (0x3BBA2E8B);

using Strip = KeysteadEditor::DisplayComponent;

Strip::DisplayComponent (KeysteadEditor& owner, KeysteadProcessor* processor,
                         int goodNoMetronome, int noChordNoMetronome)
    : editor (owner),
      goodBarHolder (std::make_unique<MovableVerticalBar>()),
      noChordBarHolder (std::make_unique<MovableVerticalBar>()),
      goodBar (*goodBarHolder),
      noChordBar (*noChordBarHolder),
      newChordThread (std::make_unique<NewChordThread> (*this))
{
    // Six repaints a halo, delivered within milliseconds: this holds a burst of chords.
    pendingRepaints.reserve (32);

    goodBar.partnerBar = &noChordBar;
    noChordBar.partnerBar = &goodBar;

    for (auto* bar : { &goodBar, &noChordBar })
        bar->processor = processor;

    goodBar.startX = goodBar.currentX = goodNoMetronome;
    noChordBar.startX = noChordBar.currentX = noChordNoMetronome;
    goodBar.PlaceAtCurrentX();
    noChordBar.PlaceAtCurrentX();

    addAndMakeVisible (goodLabel);
    addAndMakeVisible (badLabel);
    addAndMakeVisible (goodMsLabel);
    addAndMakeVisible (noChordMsLabel);

    goodLabel.setJustificationType (juce::Justification::centred);
    badLabel.setJustificationType (juce::Justification::centred);
    goodMsLabel.setJustificationType (juce::Justification::topRight);
    noChordMsLabel.setJustificationType (juce::Justification::topRight);
    goodMsLabel.setFont (juce::Font (msLabelFontHeight, juce::Font::plain));
    noChordMsLabel.setFont (juce::Font (msLabelFontHeight, juce::Font::plain));
    badLabel.setOpaque (false);
    goodLabel.setOpaque (false);
    goodLabel.setText (juce::translate ("GOOD"), juce::dontSendNotification);
    badLabel.setText (juce::translate ("BAD"), juce::dontSendNotification);

    addAndMakeVisible (goodBar);
    addAndMakeVisible (noChordBar);
}

Strip::~DisplayComponent()
{
    JUCE_ASSERT_MESSAGE_THREAD

    newChordThread->stopThread (-1);

    // Each one leaves the list as it is deleted; the thread that adds them has ended.
    while (! pendingRepaints.empty())
        delete pendingRepaints.back();

    for (auto& point : points)
        point.reset();

    repaint();
}

int Strip::PointX (float spreadMs) noexcept
{
    return (int) (std::abs (spreadMs) * msToPixels);
}

void Strip::resized()
{
    for (auto* bar : { &goodBar, &noChordBar })
    {
        bar->setBounds (bar->getX(), bar->getY(), bar->getWidth(), getHeight());
        bar->setBounds (bar->startX - 2, 0, 5, bar->getHeight());
    }
}

void Strip::paint (juce::Graphics& g)
{
    const int goodX = goodBar.currentX, noChordX = noChordBar.currentX, h = getHeight();
    const auto* engine = goodBar.processor;

    // The labels follow the bars on every repaint.
    const juce::Rectangle<int> goodZone (0, 0, goodX, h), badZone (goodX, 0, noChordX - goodX, h);
    fitZoneLabel (goodLabel, goodZone);
    setMsLabel (goodMsLabel, goodZone, engine != nullptr ? engine->goodNoMetronome.load() : goodX);
    fitZoneLabel (badLabel, badZone);
    setMsLabel (noChordMsLabel, badZone, engine != nullptr ? engine->noChordNoMetronome.load() : noChordX);

    const bool chordMode = engine == nullptr || engine->tempoMode == 0;
    const float alpha = chordMode ? 1.0f : INACTIVE_ALPHA;

    g.setColour (MS_GOOD_COLOUR.withAlpha (alpha));
    g.fillRect (goodZone);

    g.setColour (MS_BAD_COLOUR.withAlpha (alpha));
    const auto fx = (float) goodX, fh = (float) h;
    if (chordMode)
    {
        // The pink zone starts with 25 ms of green turning pink.
        g.fillRect (fx + gradientHalf, 0.0f, (float) (noChordX - goodX) - gradientHalf, fh);
        g.setGradientFill (juce::ColourGradient (MS_GOOD_COLOUR, fx, 0.0f,
                                                 MS_BAD_COLOUR, fx + gradientWidth, 0.0f, false));
        g.fillRect (fx, 0.0f, gradientWidth, fh);
    }
    else
    {
        g.fillRect (badZone);
    }

    // The newest point's halo, under the points themselves.
    const int step = newChordThread->step;
    if (const auto* newest = points[(size_t) ringIndex].get(); newest != nullptr && step > 0)
    {
        NewPointHalo::Paint (g, step, newest->getX(), newest->getY());
    }
}
