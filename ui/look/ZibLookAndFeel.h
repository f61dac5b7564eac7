#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** Makes buttons, labels and sliders look as if they were cut out of the window's picture.

    A button is a raised box whose face is the piece of picture beneath it, with a dark bottom
    wall and a lighter right wall; a pressed or switched-on button sinks into the picture. A
    plain label shows exactly the picture under it, editable labels and slider tracks are
    sunken wells, and a slider thumb is a small raised block.

    While the window fades in, every piece of picture is laid over white at the opacity that
    fadeSource points to, so the widgets fade with the window's own background.

    Buttons show their component name, not their button text.
*/
class ZibLookAndFeel : public juce::LookAndFeel_V2
{
public:
    /** The picture is kept by reference and must outlive this object; its origin is the top
        left corner of referenceComponent. fadeSource may be null (no fade). */
    ZibLookAndFeel (const juce::Image& backgroundImage,
                    juce::Component* referenceComponent,
                    const float* fadeSource);

    ~ZibLookAndFeel() override;

    void drawButtonBackground (juce::Graphics&, juce::Button&, const juce::Colour& backgroundColour,
                               bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    void drawButtonText (juce::Graphics&, juce::TextButton&,
                         bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    void drawToggleButton (juce::Graphics&, juce::ToggleButton&,
                           bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

    void fillTextEditorBackground (juce::Graphics&, int width, int height, juce::TextEditor&) override;

    void drawLabel (juce::Graphics&, juce::Label&) override;

    void drawLinearSliderBackground (juce::Graphics&, int x, int y, int width, int height,
                                     float sliderPos, float minSliderPos, float maxSliderPos,
                                     juce::Slider::SliderStyle, juce::Slider&) override;

    void drawLinearSliderThumb (juce::Graphics&, int x, int y, int width, int height,
                                float sliderPos, float minSliderPos, float maxSliderPos,
                                juce::Slider::SliderStyle, juce::Slider&) override;

    juce::Label* createSliderTextBox (juce::Slider&) override;

    /** A raised box of the given depth. Its face (faceWidth x faceHeight, a piece of picture from
        (sourceX, sourceY)) sits at (x0 - depth, y0 - depth); the walls show below and to the right.
        A non-zero overlayColour is laid over the face. A non-empty text is centred on the face in
        textColour, in the default typeface in bold at fontHeight (or the current font if
        fontHeight is 0). A non-empty caption is written at height 10, centred on captionX, with
        its baseline at captionY. Colours are ARGB. */
    void drawParallelepiped (juce::Graphics&,
                             int depth, int x0, int y0, int faceWidth, int faceHeight,
                             int sourceX, int sourceY,
                             juce::uint32 overlayColour, juce::uint32 textColour,
                             const juce::String& text, int fontHeight,
                             const juce::String& caption, int captionX, int captionY);

    /** A raised button of this colour (the START button's lit blink) writes its text in
        translucent blue instead of black. */
    static constexpr juce::uint32 blinkLitColour = 0xFFFBFFBB;

    /** An opacity as an 8-bit alpha: 0 at or below 0, 255 at or above 1, rounded between. */
    static juce::uint8 AlphaOf (float opacity) noexcept;

    /** The font made smaller a unit of height at a time until the text's width fits into
        width pixels, but no lower than smallestHeight; the caller decides what to do with a text
        that does not fit even then. */
    static juce::Font ShrunkToFit (juce::Font font, const juce::String& text, float width, int smallestHeight);

    /** A fixed label: shows its text only, never edited, in the plain regular sans-serif (or
        serif) face; the text-editor colours matter only if something ever makes it editable. */
    static void SetUpFixedLabel (juce::Label& label, float fontHeight, juce::Justification justification,
                                 bool serif = false);

    /** A sunken well showing the picture's region on its top and left walls, drawn at (x, y) with
        a floor of the given colour. Leaves the context's origin moved by (depth, depth), so what
        the caller draws next sits inside the well. */
    void drawBlackDeepRectangle (juce::Graphics&, juce::Rectangle<int> region,
                                 int depth, int x, int y, juce::uint32 colour);

private:
    /** Draws the source rectangle of the picture scaled into the destination, over white at the
        fade's opacity if there is a fade, otherwise at the current colour's opacity. */
    void drawPicturePiece (juce::Graphics&, juce::Rectangle<int> source, juce::Rectangle<int> destination);

    /** A wall lying along the top or bottom of a box: corners (x, y), (x + length, y),
        (x + length + depth, y + depth), (x + depth, y + depth), filled with one row of the picture
        (length pixels from sourceX, sourceY) sheared across it, then shaded. */
    void drawHorizontalWall (juce::Graphics&, int sourceX, int sourceY, int length,
                             int x, int y, int depth, juce::uint32 shade);

    /** A wall lying along the left or right of a box: corners (x, y), (x + depth, y + depth),
        (x + depth, y + length + depth), (x, y + length), filled with one column of the picture
        (length pixels from sourceX, sourceY) sheared across it, then shaded. */
    void drawVerticalWall (juce::Graphics&, int sourceX, int sourceY, int length,
                           int x, int y, int depth, juce::uint32 shade);

    void drawWall (juce::Graphics&, const juce::Path& wall, juce::Rectangle<int> source,
                   const juce::AffineTransform& sourceToWall, juce::uint32 shade);

    /** Black at the fade's opacity: the colour pictures are drawn with while fading. */
    juce::Colour fadeColour() const;

    const juce::Image& backgroundImage;
    juce::Component* referenceComponent;
    const float* fadeSource;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZibLookAndFeel)
};
