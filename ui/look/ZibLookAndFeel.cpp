#include "ui/look/ZibLookAndFeel.h"

namespace
{
    constexpr juce::uint32 black = 0xFF000000;
    constexpr juce::uint32 white = 0xFFFFFFFF;
    constexpr juce::uint32 disabledTextColour = 0xFF808080;

    constexpr juce::uint32 blinkTextColour = 0x8000FFFF;
    constexpr juce::uint32 hoverOverlay = 0x8000FFFF;
    constexpr juce::uint32 thumbOverlay = 0x20000000;

    constexpr juce::uint32 bottomWallShade = 0xAA000000;
    constexpr juce::uint32 sideWallShade = 0x55000000;

    // Widgets lower than this are drawn shallower, with small text and no top or bottom border.
    constexpr int smallWidgetHeight = 24;

    bool isVerticalStyle (juce::Slider::SliderStyle style)
    {
        return style == juce::Slider::LinearVertical
            || style == juce::Slider::LinearBarVertical
            || style == juce::Slider::TwoValueVertical
            || style == juce::Slider::ThreeValueVertical;
    }

    int textBoxHeightAbove (const juce::Slider& slider)
    {
        return slider.getTextBoxPosition() == juce::Slider::TextBoxAbove ? slider.getTextBoxHeight() : 0;
    }

    juce::BorderSize<int> withoutTopAndBottom (const juce::BorderSize<int>& border)
    {
        return { 0, border.getLeft(), 0, border.getRight() };
    }

    bool hasTopOrBottom (const juce::BorderSize<int>& border)
    {
        return border.getTop() != 0 || border.getBottom() != 0;
    }
}

ZibLookAndFeel::ZibLookAndFeel (const juce::Image& image, juce::Component* reference, const float* fade)
    : backgroundImage (image), referenceComponent (reference), fadeSource (fade)
{
    setColour (juce::CaretComponent::caretColourId, juce::Colour (white));
    setColour (juce::Slider::textBoxTextColourId, juce::Colour (white));
    setColour (juce::Slider::textBoxBackgroundColourId, juce::Colour (black));
    setColour (juce::Slider::textBoxHighlightColourId, juce::Colour (0xFFBCBCFF));
    setColour (juce::Slider::textBoxOutlineColourId, juce::Colour (0x00000000));
    setColour (juce::Slider::trackColourId, juce::Colour (black));
}

ZibLookAndFeel::~ZibLookAndFeel() = default;

//==============================================================================
juce::uint8 ZibLookAndFeel::AlphaOf (float opacity) noexcept
{
    return opacity <= 0.0f ? 0 : (opacity >= 1.0f ? 255 : (juce::uint8) juce::roundToInt (opacity * 255.0f));
}

juce::Font ZibLookAndFeel::ShrunkToFit (juce::Font font, const juce::String& text, float width, int smallestHeight)
{
    while (std::ceil (font.getStringWidthFloat (text)) > width && (int) font.getHeight() > smallestHeight)
        font.setHeight (font.getHeight() - 1.0f);

    return font;
}

void ZibLookAndFeel::SetUpFixedLabel (juce::Label& label, float fontHeight, juce::Justification justification,
                                      bool serif)
{
    const auto face = serif ? juce::Font::getDefaultSerifFontName() : juce::Font::getDefaultSansSerifFontName();
    label.setFont (juce::Font (face, fontHeight, juce::Font::plain).withTypefaceStyle ("Regular"));
    label.setJustificationType (justification);
    label.setEditable (false, false, false);
    label.setColour (juce::TextEditor::textColourId, juce::Colours::black);
    label.setColour (juce::TextEditor::backgroundColourId, juce::Colour (0x00000000));
}

juce::Colour ZibLookAndFeel::fadeColour() const
{
    return juce::Colour ((juce::uint8) 0, (juce::uint8) 0, (juce::uint8) 0, AlphaOf (*fadeSource));
}

void ZibLookAndFeel::drawPicturePiece (juce::Graphics& g, juce::Rectangle<int> source, juce::Rectangle<int> destination)
{
    if (fadeSource != nullptr)
    {
        g.setColour (juce::Colour (white));
        g.fillRect (destination);
        g.setColour (fadeColour());
    }

    // Only the part of the source that lies on the picture is drawn, at the place where it
    // would have been; an empty piece draws nothing.
    const auto onPicture = source.getIntersection (backgroundImage.getBounds());

    if (onPicture.isEmpty() || destination.isEmpty())
        return;

    const auto scaleX = (float) destination.getWidth() / (float) source.getWidth();
    const auto scaleY = (float) destination.getHeight() / (float) source.getHeight();

    g.drawImageTransformed (backgroundImage.getClippedImage (onPicture),
                            juce::AffineTransform::scale (scaleX, scaleY)
                                .translated ((float) destination.getX() + (float) (onPicture.getX() - source.getX()) * scaleX,
                                             (float) destination.getY() + (float) (onPicture.getY() - source.getY()) * scaleY));
}

void ZibLookAndFeel::drawWall (juce::Graphics& g, const juce::Path& wall, juce::Rectangle<int> source,
                               const juce::AffineTransform& sourceToWall, juce::uint32 shade)
{
    if (fadeSource != nullptr)
    {
        g.setColour (juce::Colour (white));
        g.fillPath (wall);
        g.setColour (fadeColour());
    }

    const auto onPicture = source.getIntersection (backgroundImage.getBounds());

    if (! onPicture.isEmpty())
    {
        // Restoring the state also gives back the colour the picture was drawn with.
        const juce::Graphics::ScopedSaveState state (g);
        g.reduceClipRegion (wall);
        g.drawImageTransformed (backgroundImage.getClippedImage (onPicture),
                                juce::AffineTransform::translation ((float) (onPicture.getX() - source.getX()),
                                                                    (float) (onPicture.getY() - source.getY()))
                                    .followedBy (sourceToWall));
    }

    g.setColour (juce::Colour (shade));
    g.fillPath (wall);
}

void ZibLookAndFeel::drawHorizontalWall (juce::Graphics& g, int sourceX, int sourceY, int length,
                                         int x, int y, int depth, juce::uint32 shade)
{
    if (length <= 0 || depth <= 0)
        return;

    juce::Path wall;
    wall.startNewSubPath ((float) x, (float) y);
    wall.lineTo ((float) (x + length), (float) y);
    wall.lineTo ((float) (x + length + depth), (float) (y + depth));
    wall.lineTo ((float) (x + depth), (float) (y + depth));
    wall.closeSubPath();

    // The row (u along it, v across its single pixel) is stretched down the wall's depth and
    // sheared with its 45-degree sides.
    const juce::AffineTransform rowToWall ((float) 1, (float) depth, (float) x,
                                           (float) 0, (float) depth, (float) y);

    drawWall (g, wall, { sourceX, sourceY, length, 1 }, rowToWall, shade);
}

void ZibLookAndFeel::drawVerticalWall (juce::Graphics& g, int sourceX, int sourceY, int length,
                                       int x, int y, int depth, juce::uint32 shade)
{
    if (length <= 0 || depth <= 0)
        return;

    juce::Path wall;
    wall.startNewSubPath ((float) x, (float) y);
    wall.lineTo ((float) (x + depth), (float) (y + depth));
    wall.lineTo ((float) (x + depth), (float) (y + length + depth));
    wall.lineTo ((float) x, (float) (y + length));
    wall.closeSubPath();

    const juce::AffineTransform columnToWall ((float) depth, (float) 0, (float) x,
                                              (float) depth, (float) 1, (float) y);

    drawWall (g, wall, { sourceX, sourceY, 1, length }, columnToWall, shade);
}

//==============================================================================
void ZibLookAndFeel::drawParallelepiped (juce::Graphics& g,
                                         int depth, int x0, int y0, int faceWidth, int faceHeight,
                                         int sourceX, int sourceY,
                                         juce::uint32 overlayColour, juce::uint32 textColour,
                                         const juce::String& text, int fontHeight,
                                         const juce::String& caption, int captionX, int captionY)
{
    const int fx = x0 - depth;
    const int fy = y0 - depth;

    if (caption.isNotEmpty())
    {
        g.setColour (juce::Colour (textColour));
        g.setFont (g.getCurrentFont().withHeight (10.0f));
        g.drawSingleLineText (caption, captionX, captionY, juce::Justification::horizontallyCentred);
    }

    drawPicturePiece (g, { sourceX, sourceY, faceWidth, faceHeight }, { fx, fy, faceWidth, faceHeight });

    if (overlayColour != 0)
    {
        g.setColour (juce::Colour (overlayColour));
        g.fillRect (fx, fy, faceWidth, faceHeight);
    }

    if (text.isNotEmpty())
    {
        if (fontHeight != 0)
            g.setFont (juce::Font (juce::jlimit (0.1f, 10000.0f, (float) fontHeight), juce::Font::bold));

        g.setColour (juce::Colour (textColour));
        const auto ascent = g.getCurrentFont().getAscent();
        g.drawSingleLineText (text, fx + faceWidth / 2, (int) ((ascent + (float) faceHeight) / 2.0f + (float) fy),
                              juce::Justification::horizontallyCentred);
    }

    g.setColour (juce::Colour (black));
    drawHorizontalWall (g, sourceX, sourceY + faceHeight - 1, faceWidth, fx, fy + faceHeight, depth, bottomWallShade);

    g.setColour (juce::Colour (black));
    drawVerticalWall (g, sourceX + faceWidth - 1, sourceY, faceHeight, fx + faceWidth, fy, depth, sideWallShade);
}

void ZibLookAndFeel::drawBlackDeepRectangle (juce::Graphics& g, juce::Rectangle<int> region,
                                             int depth, int x, int y, juce::uint32 colour)
{
    g.setColour (juce::Colour (colour));
    g.fillRect (x + depth, y + depth, region.getWidth() - depth, region.getHeight() - depth);

    drawHorizontalWall (g, region.getX(), region.getY(), region.getWidth(), x, y, depth, colour & 0x80FFFFFF);
    drawVerticalWall (g, region.getX(), region.getY(), region.getHeight(), x, y, depth, colour & 0x40FFFFFF);

    g.setOrigin (depth, depth);
}

//==============================================================================
void ZibLookAndFeel::drawButtonBackground (juce::Graphics& g, juce::Button& button, const juce::Colour&,
                                           bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    const int x = button.getX();
    const int y = button.getY();
    const int w = button.getWidth();
    const int h = button.getHeight();

    g.setColour (juce::Colour (black));
    int d = 3;

    if (h < smallWidgetHeight)
    {
        g.setFont (g.getCurrentFont().withHeight (10.0f));
        d = 2;
    }

    if (shouldDrawButtonAsDown || button.getToggleState())
    {
        // Sunk: the strips above and left of the face show the picture exactly where it lies,
        // and the face is pushed d pixels down and right.
        drawPicturePiece (g, { x, y, w, d }, { 0, 0, w, d });
        drawPicturePiece (g, { x, y + d, d, h - d }, { 0, d, d, h - d });
        drawPicturePiece (g, { x + d, y + d, w - 2 * d, h - 2 * d }, { 2 * d, 2 * d, w - 2 * d, h - 2 * d });

        g.setColour (juce::Colour (button.isEnabled() ? black : disabledTextColour));
        const auto ascent = g.getCurrentFont().getAscent();
        g.drawSingleLineText (button.getName(), (w - d) / 2 + 2 * d,
                              (int) ((ascent + (float) (h - d)) / 2.0f + (float) (2 * d)),
                              juce::Justification::horizontallyCentred);

        g.setColour (juce::Colour (black));
        drawHorizontalWall (g, x + d, y + d, w, d, d, d, bottomWallShade);

        g.setColour (juce::Colour (black));
        drawVerticalWall (g, x + d, y + d, h - d, d, d, d, sideWallShade);

        g.setColour (juce::Colour (black));
        return;
    }

    const bool enabled = button.isEnabled();
    juce::uint32 textColour = black;

    if (! enabled)
        textColour = disabledTextColour;
    else if (button.findColour (juce::TextButton::buttonColourId).getARGB() == blinkLitColour)
        textColour = blinkTextColour;

    drawParallelepiped (g, d, d, d, w - d, h - d, x + d, y + d,
                        shouldDrawButtonAsHighlighted && enabled ? hoverOverlay : 0,
                        textColour, button.getName(), 0, {}, 0, 0);

    g.setColour (juce::Colour (black));
}

void ZibLookAndFeel::drawButtonText (juce::Graphics&, juce::TextButton&, bool, bool)
{
    // The name is written by drawButtonBackground, on the face.
}

void ZibLookAndFeel::drawToggleButton (juce::Graphics& g, juce::ToggleButton& button,
                                       bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown)
{
    drawButtonBackground (g, button, juce::Colours::black, shouldDrawButtonAsHighlighted, shouldDrawButtonAsDown);
}

void ZibLookAndFeel::fillTextEditorBackground (juce::Graphics& g, int width, int height, juce::TextEditor& editor)
{
    if (editor.getHeight() < smallWidgetHeight && hasTopOrBottom (editor.getBorder()))
        editor.setBorder (withoutTopAndBottom (editor.getBorder()));

    g.setColour (editor.findColour (juce::TextEditor::backgroundColourId));
    g.fillRect (0, 0, width, height);
}

void ZibLookAndFeel::drawLabel (juce::Graphics& g, juce::Label& label)
{
    g.setColour (juce::Colour (black));

    // The label's place on the picture: its position summed up to the reference component.
    juce::Point<int> onPicture;

    for (const juce::Component* c = &label; c != nullptr && c != referenceComponent; c = c->getParentComponent())
        onPicture += c->getPosition();

    const int w = label.getWidth();
    const int h = label.getHeight();

    if (label.isEditableOnSingleClick() || label.isEditableOnDoubleClick())
        drawBlackDeepRectangle (g, { onPicture.x, onPicture.y, w, h }, h < smallWidgetHeight ? 1 : 2, 0, 0, black);
    else
        drawPicturePiece (g, { onPicture.x, onPicture.y, w, h }, { 0, 0, w, h });

    g.setColour (juce::Colour (black));

    if (h < smallWidgetHeight && hasTopOrBottom (label.getBorderSize()))
        label.setBorderSize (withoutTopAndBottom (label.getBorderSize()));

    LookAndFeel_V2::drawLabel (g, label);
}

void ZibLookAndFeel::drawLinearSliderBackground (juce::Graphics& g, int x, int y, int width, int height,
                                                 float, float, float,
                                                 juce::Slider::SliderStyle style, juce::Slider& slider)
{
    auto well = isVerticalStyle (style) ? juce::Rectangle<int> (width / 2 - 3, y - 2, 6, height + 5)
                                        : juce::Rectangle<int> (x - 2, height / 2 - 3, width + 5, 6);
    well.translate (0, textBoxHeightAbove (slider));

    drawBlackDeepRectangle (g, well + slider.getPosition(), 1, well.getX(), well.getY(),
                            slider.findColour (juce::Slider::trackColourId).getARGB());
}

void ZibLookAndFeel::drawLinearSliderThumb (juce::Graphics& g, int x, int y, int width, int height,
                                            float sliderPos, float, float,
                                            juce::Slider::SliderStyle style, juce::Slider& slider)
{
    if (! slider.isEnabled())
        return;

    const int p = (int) (sliderPos + 0.5f);
    const int sx0 = slider.getX();
    const int sy0 = slider.getY();

    g.setColour (juce::Colour (black));

    // The face is always the piece of picture at the start of the track, so the block carries
    // its texture along as it slides.
    if (isVerticalStyle (style))
    {
        drawParallelepiped (g, 3, 3, p - 5, width - 6, 11, sx0 + 3, sy0 + y + height - 5,
                            thumbOverlay, black, slider.getName(), 13, {}, 0, 0);
    }
    else
    {
        const int above = textBoxHeightAbove (slider);
        drawParallelepiped (g, 3, p - 5, 3 + above, 11, height - 6, sx0 + x - 5, sy0 + 3 + above,
                            thumbOverlay, slider.findColour (juce::Slider::trackColourId).getARGB(),
                            {}, 0, slider.getName(), width / 2 + 3, height - 2);
    }
}

juce::Label* ZibLookAndFeel::createSliderTextBox (juce::Slider& slider)
{
    auto* box = LookAndFeel_V2::createSliderTextBox (slider);
    box->setFont (juce::Font (12.0f, juce::Font::plain));
    box->setColour (juce::TextEditor::textColourId, juce::Colour (white));
    box->setColour (juce::TextEditor::backgroundColourId, juce::Colour (black));
    box->setColour (juce::TextEditor::highlightColourId, juce::Colour (0xFFBCBCFF));
    return box;
}
