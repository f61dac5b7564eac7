#include "ui/displays/ClickDisplayComponent.h"

#include "engine/KeysteadProcessor.h"

namespace
{
    constexpr float grabDegrees = 5.0f;         // how close to a radius a press takes it
    constexpr float msLabelOffsetDegrees = 10.0f;
    constexpr float goodWedgeWidening = 0.16666667f;  // of the gap, in tempo mode

    // The outer mask: a ring around the dial's circle wide enough to cover the corners.
    constexpr float maskOrigin = -0.20710678f, maskSize = 1.4142135f, maskThickness = 0.41421357f;

    constexpr float msLabelFontHeight = 9.0f, goodLabelFontHeight = 20.0f;
    constexpr int smallestGoodLabelFont = 10;
    constexpr float pictureOpacity = 0.35f;

    double radians (double degrees) noexcept
    {
        return degrees * (1.0 / 90.0) * KeysteadEditor::PI_OVER_2;
    }

    juce::String millisecondsText (float degrees, float msPerDegreeOver60000)
    {
        return juce::String ((int) (degrees * 60000.0f * msPerDegreeOver60000)) + " ms";
    }
}

using Dial = KeysteadEditor::ClickDisplayComponent;
using Engine = KeysteadProcessor;

Dial::ClickDisplayComponent (RelaxedAtomic<float>& good, RelaxedAtomic<float>& noChord)
    : goodMetronome (&good), noChordMetronome (&noChord)
{
    goodMsLabel.setFont (juce::Font (msLabelFontHeight, juce::Font::plain));
    badMsLabel.setFont (juce::Font (msLabelFontHeight, juce::Font::plain));
    goodMsLabel.setJustificationType (juce::Justification::topRight);
    badMsLabel.setJustificationType (juce::Justification::topLeft);
    goodLabel.setJustificationType (juce::Justification::centredBottom);

    for (auto* label : { &goodMsLabel, &badMsLabel, &goodLabel })
    {
        label->setInterceptsMouseClicks (false, false);
        addAndMakeVisible (*label);
    }
}

Dial::~ClickDisplayComponent() = default;

Dial::EngineView Dial::ReadEngine() const
{
    auto* editor = dynamic_cast<KeysteadEditor*> (getParentComponent());
    auto* engine = editor != nullptr ? editor->GetEngine() : nullptr;

    if (engine == nullptr)
        return { (double) Engine::defaultTempo, Engine::defaultSubdivisor, true };

    // A settings file can hold anything: the dial works with what the engine works with.
    return { engine->CurrentTempo(), engine->CurrentSubdivisor(), engine->tempoMode != 0 };
}

void Dial::CircleSizeSecondsHasChanged (float ratio)
{
    JUCE_ASSERT_MESSAGE_THREAD

    float bad = noChordMetronome->load() * ratio;
    noChordMetronome->store (bad);

    const auto view = ReadEngine();
    const float gap = Engine::DialGapDegrees (view.tempo, view.subdivisor);

    // Written as "not within" so that a limit that is not a number is brought back too.
    if (! (bad <= Engine::largestDialAngle && bad >= 2.0f * gap))
    {
        bad = std::max (2.0f * gap, std::min (bad, Engine::largestDialAngle));
        noChordMetronome->store (bad);
    }

    float good = std::max (goodMetronome->load() * ratio, gap);
    goodMetronome->store (good);

    if (good > bad - gap)
        goodMetronome->store (bad - gap);

    repaint();
}

bool Dial::PointerAngle (const juce::MouseEvent& event, float& angle) const
{
    const int dx = event.x - getWidth() / 2;
    const int dy = getHeight() / 2 - event.y;

    if (dy > 0)
        angle = (float) (std::atan ((float) dx / (float) dy) * 90.0 / PI_OVER_2);
    else if (dy >= -1)
        angle = dx > 0 ? 90.0f : -90.0f;
    else
        return false;

    return true;
}

int Dial::MouseEventIsOverAMovableRadius (const juce::MouseEvent& event) const
{
    float angle = 0.0f;
    if (! PointerAngle (event, angle))
        return 0;

    const float dx = (float) (event.x - getWidth() / 2), dy = (float) (getHeight() / 2 - event.y);
    const float distance = std::sqrt (dx * dx + dy * dy);
    const float h = (float) getHeight();

    if (distance < 0.25f * h || distance > 0.5f * h)
        return 0;

    angle = juce::jlimit (-Engine::largestDialAngle, Engine::largestDialAngle, angle);
    const float good = *goodMetronome, bad = *noChordMetronome;

    // Bad radii before good ones, right before left.
    if (std::abs (angle - bad) < grabDegrees)  return 4;
    if (std::abs (angle + bad) < grabDegrees)  return 1;
    if (std::abs (angle - good) < grabDegrees) return 3;
    if (std::abs (angle + good) < grabDegrees) return 2;
    return 0;
}

void Dial::mouseMove (const juce::MouseEvent& event)
{
    setMouseCursor (MouseEventIsOverAMovableRadius (event) != 0 ? juce::MouseCursor::DraggingHandCursor
                                                                : juce::MouseCursor::NormalCursor);
}

void Dial::mouseDown (const juce::MouseEvent& event)
{
    grabbedRadius = MouseEventIsOverAMovableRadius (event);
}

void Dial::mouseUp (const juce::MouseEvent&)
{
}

void Dial::mouseDrag (const juce::MouseEvent& event)
{
    float angle = 0.0f;
    if (grabbedRadius == 0 || ! PointerAngle (event, angle))
        return;

    const auto view = ReadEngine();
    const float gap = Engine::DialGapDegrees (view.tempo, view.subdivisor);

    // Both radii of a pair drive the same positive limit.
    angle = juce::jlimit (-Engine::largestDialAngle, Engine::largestDialAngle, angle);
    if (grabbedRadius == 1 || grabbedRadius == 2)
        angle = -angle;

    const bool badRadius = grabbedRadius == 1 || grabbedRadius == 4;

    if (badRadius)
    {
        if (angle >= goodMetronome->load() + gap)
        {
            noChordMetronome->store (std::min (angle, Engine::largestDialAngle));
        }
        else
        {
            // Pushed inwards past the good limit: the good limit gives way, down to the gap.
            const float good = std::max (angle - gap, gap);
            goodMetronome->store (good);
            noChordMetronome->store (std::min (std::max (good + gap, angle), Engine::largestDialAngle));
        }
    }
    else
    {
        if (angle > noChordMetronome->load() - gap)
            noChordMetronome->store (std::min (angle + gap, Engine::largestDialAngle));

        goodMetronome->store (std::max (std::min (noChordMetronome->load() - gap, angle), gap));
    }

    repaint();
}

juce::Point<float> Dial::TopEdgePoint (double angleDegrees) const
{
    return { (float) ((1.0 + std::tan (radians (angleDegrees))) * getWidth() * 0.5), 0.0f };
}

void Dial::DrawPieceOfCake (juce::Graphics& g, float fromAngle, float toAngle) const
{
    juce::Path cake;
    cake.addTriangle ({ getWidth() * 0.5f, getHeight() * 0.5f }, TopEdgePoint (fromAngle), TopEdgePoint (toAngle));
    g.fillPath (cake);
}

void Dial::DrawGradient (juce::Graphics& g, int angle, int widthDegrees, juce::Colour from, juce::Colour to) const
{
    const float w = (float) getWidth();
    const float cx = w * 0.5f, cy = (float) getHeight() * 0.5f;
    const auto edge = TopEdgePoint (angle);
    const juce::Point<float> centre (cx, cy);

    // Perpendicular to the radius, |widthDegrees| x w / 360 pixels long.
    const float dx = edge.x - cx;
    const float length = std::sqrt (dx * dx + cy * cy);
    const float f = (float) (widthDegrees * getWidth()) * 0.25f / (length * 90.0f);
    const juce::Point<float> offset (cy * f, dx * f);

    g.setGradientFill (juce::ColourGradient (from, edge, to, edge + offset, false));

    juce::Path band;
    band.startNewSubPath (edge);
    band.lineTo (centre);
    band.lineTo (centre + offset);
    band.lineTo (edge + offset);
    band.closeSubPath();
    g.fillPath (band);
}

void Dial::paint (juce::Graphics& g)
{
    const auto view = ReadEngine();
    const float gap = Engine::DialGapDegrees (view.tempo, view.subdivisor);
    const float good = *goodMetronome, bad = *noChordMetronome;
    const float alpha = view.tempoMode ? 1.0f : INACTIVE_ALPHA;
    const float w = (float) getWidth(), h = (float) getHeight();

    g.setColour (MS_BAD_COLOUR.withAlpha (alpha));
    DrawPieceOfCake (g, -bad, bad);

    // In tempo mode the green wedge reaches a little into the gradient bands.
    const float wedge = view.tempoMode ? good + gap * goodWedgeWidening : good;
    g.setColour (MS_GOOD_COLOUR.withAlpha (alpha));
    DrawPieceOfCake (g, -wedge, wedge);

    if (view.tempoMode)
    {
        DrawGradient (g, (int) -good, (int) -gap, MS_GOOD_COLOUR, MS_BAD_COLOUR);
        DrawGradient (g, (int) good, (int) gap, MS_GOOD_COLOUR, MS_BAD_COLOUR);
    }

    g.setColour (juce::Colours::black.withAlpha (alpha));
    const juce::Point<float> centre (w * 0.5f, h * 0.5f);
    for (const float angle : { good, bad, -good, -bad })
        g.drawLine ({ centre, TopEdgePoint (angle) }, 1.0f);

    // Everything outside the ring goes: the central disc and the corners beyond the circle.
    const juce::Rectangle<float> disc (w * 0.25f, h * 0.25f, w * 0.5f, h * 0.5f);
    const juce::Rectangle<float> mask (maskOrigin * w, maskOrigin * h, maskSize * w, maskSize * h);

    auto coverOutsideTheRing = [&]
    {
        g.fillEllipse (disc);
        g.drawEllipse (mask, maskThickness * w);
    };

    g.setColour (juce::Colours::white);
    coverOutsideTheRing();

    // Covered again with the editor's own picture, lined up with its background.
    g.setTiledImageFill (GetBackground(), -getX(), -getY(), pictureOpacity);
    coverOutsideTheRing();

    g.setColour (juce::Colours::black.withAlpha (alpha));
    g.drawEllipse (disc, 1.0f);
    g.drawEllipse (0.5f, 0.5f, w - 1.0f, h - 1.0f, 1.0f);

    // The limits in milliseconds, just inside the good wedge and just outside the bad one.
    const float k = 1.0f / (360.0f * (float) view.tempo * (float) view.subdivisor);
    auto placeMsLabel = [w, h] (juce::Label& label, float degrees)
    {
        const double a = radians (degrees);
        const auto x = (float) ((0.5 + 0.4 * std::sin (a)) * w);
        const auto y = (float) ((0.5 - 0.4 * std::cos (a)) * h);
        label.setBounds ((int) (x - 20.0f), (int) (y - 7.5f), 40, 15);
    };

    goodMsLabel.setText (millisecondsText (good, k), juce::dontSendNotification);
    placeMsLabel (goodMsLabel, good - msLabelOffsetDegrees);
    badMsLabel.setText (millisecondsText (bad, k), juce::dontSendNotification);
    placeMsLabel (badMsLabel, bad + msLabelOffsetDegrees);

    // "GOOD" shrinks to fit above the good wedge, or is left out. It is measured before the
    // label is given it: each change of the label's text repaints the label, and so the dial
    // beneath it, which would paint again.
    juce::String goodText = juce::translate ("GOOD");
    const auto available = (float) (0.5 * w * std::sin (radians (good)));
    const auto font = ZibLookAndFeel::ShrunkToFit (juce::Font (goodLabelFontHeight, juce::Font::plain), goodText,
                                                   available, smallestGoodLabelFont);

    if (std::ceil (font.getStringWidthFloat (goodText)) > available)
        goodText.clear();

    goodLabel.setText (goodText, juce::dontSendNotification);
    goodLabel.setFont (font);
}

void Dial::resized()
{
    goodLabel.setBounds (0, 0, getWidth(), getHeight() / 4);
}
