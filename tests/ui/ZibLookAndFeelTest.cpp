#include "UiTestSupport.h"

using namespace uitest;

namespace
{
    const juce::Rectangle<int> startBounds { 33, 97, 100, 24 };

    juce::ToggleButton& addButton (Scene& scene, const juce::String& name, juce::Rectangle<int> bounds)
    {
        return scene.add (new juce::ToggleButton (name), bounds);
    }

    /** What the text on a face over a white picture looks like. */
    struct InkSummary
    {
        int darkest = 255;       // the lowest channel value anywhere
        int lowestRed = 255;
        bool allGrey = true;     // every pixel has R == G == B
        bool allCyanOrWhite = true;  // every pixel has G and B full (within the blend's rounding)
    };

    InkSummary summariseInk (const juce::Image& image, juce::Rectangle<int> area)
    {
        InkSummary s;

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
            {
                const auto c = image.getPixelAt (x, y);
                s.darkest = juce::jmin (s.darkest, (int) c.getRed(), (int) c.getGreen(), (int) c.getBlue());
                s.lowestRed = juce::jmin (s.lowestRed, (int) c.getRed());
                s.allGrey = s.allGrey && c.getRed() == c.getGreen() && c.getGreen() == c.getBlue();
                s.allCyanOrWhite = s.allCyanOrWhite && c.getGreen() >= 254 && c.getBlue() >= 254;
            }

        return s;
    }

    int countPixels (const juce::Image& image, juce::Colour colour)
    {
        int n = 0;

        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                n += image.getPixelAt (x, y) == colour ? 1 : 0;

        return n;
    }
}

TEST (ZibLookAndFeel, RaisedButtonFaceIsThePictureBeneathLiftedByItsDepth)
{
    Scene scene (makeCoordinatePicture());

    // 24 pixels high: depth 3, face 97 x 21 at the top left showing the picture from (x+3, y+3).
    auto& tall = addButton (scene, {}, startBounds);
    EXPECT_TRUE (regionMatches (snapshot (tall), { 0, 0, 97, 21 }, scene.picture, { 36, 100 }));

    // 23 pixels high: depth 2.
    auto& small = addButton (scene, {}, { 33, 200, 100, 23 });
    EXPECT_TRUE (regionMatches (snapshot (small), { 0, 0, 98, 21 }, scene.picture, { 35, 202 }));

    // The walls below and on the right are darker than the face they belong to.
    const auto image = snapshot (tall);
    EXPECT_LT (image.getPixelAt (50, 22).getBrightness(), scene.picture.getPixelAt (86, 120).getBrightness());
    EXPECT_NE (image.getPixelAt (98, 10), scene.picture.getPixelAt (131, 107));
}

TEST (ZibLookAndFeel, SunkButtonShowsThePictureInPlaceAroundAFacePushedDownAndRight)
{
    Scene scene (makeCoordinatePicture());

    auto& tall = addButton (scene, {}, startBounds);
    tall.setToggleState (true, juce::dontSendNotification);
    const auto image = snapshot (tall);

    EXPECT_TRUE (regionMatches (image, { 0, 0, 100, 3 }, scene.picture, { 33, 97 }));    // top strip
    EXPECT_TRUE (regionMatches (image, { 0, 3, 3, 21 }, scene.picture, { 33, 100 }));    // left strip
    EXPECT_TRUE (regionMatches (image, { 6, 6, 94, 18 }, scene.picture, { 36, 100 }));   // face

    auto& small = addButton (scene, {}, { 33, 200, 100, 23 });
    small.setToggleState (true, juce::dontSendNotification);
    EXPECT_TRUE (regionMatches (snapshot (small), { 4, 4, 96, 19 }, scene.picture, { 35, 202 }));
}

TEST (ZibLookAndFeel, FacesAndLabelsFadeWithTheWindowBackground)
{
    const float fade = 0.35f;
    Scene scene (makeCoordinatePicture(), &fade);
    const auto& picture = scene.picture;

    auto& raised = addButton (scene, {}, startBounds);
    const auto raisedImage = snapshot (raised);
    EXPECT_TRUE (regionMatches (raisedImage, { 0, 0, 97, 21 }, makeFadedPiece (picture, { 36, 100, 97, 21 }, fade), {}));

    auto& sunk = addButton (scene, {}, { 33, 133, 100, 24 });
    sunk.setToggleState (true, juce::dontSendNotification);
    const auto sunkImage = snapshot (sunk);
    EXPECT_TRUE (regionMatches (sunkImage, { 6, 6, 94, 18 }, makeFadedPiece (picture, { 36, 136, 94, 18 }, fade), {}));
    EXPECT_TRUE (regionMatches (sunkImage, { 0, 0, 100, 3 }, makeFadedPiece (picture, { 33, 133, 100, 3 }, fade), {}));

    auto& label = scene.add (new juce::Label(), { 519, 344, 64, 24 });
    const auto labelImage = snapshot (label);
    EXPECT_TRUE (regionMatches (labelImage, label.getLocalBounds(), makeFadedPiece (picture, label.getBounds(), fade), {}));

    // The window's background, drawn whole, blends within one level of the same values.
    const auto window = makeFadedBackground (picture, fade);
    EXPECT_TRUE (regionMatches (raisedImage, { 0, 0, 97, 21 }, window, { 36, 100 }, 1));
    EXPECT_TRUE (regionMatches (labelImage, label.getLocalBounds(), window, { 519, 344 }, 1));

    // Fully faded out, the faces are plain white.
    const float gone = 0.0f;
    Scene blank (makeCoordinatePicture(), &gone);
    auto& blankButton = addButton (blank, {}, startBounds);
    EXPECT_TRUE (regionMatches (snapshot (blankButton), { 0, 0, 97, 21 },
                                makeUniformPicture (juce::Colours::white), { 0, 0 }));
}

TEST (ZibLookAndFeel, HoverOverlayOnlyOnARaisedEnabledButton)
{
    Scene scene (makeCoordinatePicture());
    auto& button = addButton (scene, {}, startBounds);
    const auto beneath = scene.picture.getPixelAt (38, 102);

    auto draw = [&] (bool highlighted, bool down)
    {
        juce::Image image (juce::Image::ARGB, 100, 24, true);
        juce::Graphics g (image);
        scene.lookAndFeel.drawButtonBackground (g, button, juce::Colours::black, highlighted, down);
        return image;
    };

    EXPECT_EQ (draw (true, false).getPixelAt (2, 2), blendedOver (beneath, juce::Colour (0x8000FFFF)));
    EXPECT_EQ (draw (false, false).getPixelAt (2, 2), beneath);
    EXPECT_EQ (draw (true, true).getPixelAt (8, 8), beneath);   // sunk: never an overlay

    button.setEnabled (false);
    EXPECT_EQ (draw (true, false).getPixelAt (2, 2), beneath);
}

TEST (ZibLookAndFeel, StartTextBlinksBlueOnlyWhileRaisedAndEnabled)
{
    Scene scene (makeUniformPicture (juce::Colours::white));
    auto& start = addButton (scene, "START", startBounds);
    const juce::Rectangle<int> raisedFace { 0, 0, 97, 21 };
    const juce::Rectangle<int> sunkFace { 6, 6, 94, 18 };

    // Normal colour: black text.
    auto ink = summariseInk (snapshot (start), raisedFace);
    EXPECT_TRUE (ink.allGrey);
    EXPECT_LT (ink.darkest, 0x40);

    // Lit: translucent blue over the face, so green and blue stay full and only red drops.
    start.setColour (juce::TextButton::buttonColourId, juce::Colour (0xFFFBFFBB));
    ink = summariseInk (snapshot (start), raisedFace);
    EXPECT_TRUE (ink.allCyanOrWhite);
    EXPECT_LT (ink.lowestRed, 0xC0);
    EXPECT_GE (ink.lowestRed, 0x7F);

    // A colour merely close to the lit one does not count.
    start.setColour (juce::TextButton::buttonColourId, juce::Colour (0xFFFBFFBC));
    EXPECT_TRUE (summariseInk (snapshot (start), raisedFace).allGrey);
    start.setColour (juce::TextButton::buttonColourId, juce::Colour (0xFFFBFFBB));

    // Sunk: black whatever the colour.
    start.setToggleState (true, juce::dontSendNotification);
    ink = summariseInk (snapshot (start), sunkFace);
    EXPECT_TRUE (ink.allGrey);
    EXPECT_LT (ink.darkest, 0x40);

    // Disabled, raised or sunk, also through a disabled parent: grey.
    start.setEnabled (false);
    ink = summariseInk (snapshot (start), sunkFace);
    EXPECT_TRUE (ink.allGrey);
    EXPECT_GE (ink.darkest, 0x80);
    EXPECT_LT (ink.darkest, 0xF0);

    start.setEnabled (true);
    start.setToggleState (false, juce::dontSendNotification);
    scene.window.setEnabled (false);
    ink = summariseInk (snapshot (start), raisedFace);
    EXPECT_TRUE (ink.allGrey);
    EXPECT_GE (ink.darkest, 0x80);
    EXPECT_LT (ink.darkest, 0xF0);
}

TEST (ZibLookAndFeel, ButtonShowsItsComponentNameNotItsText)
{
    Scene scene (makeUniformPicture (juce::Colours::white));

    auto& metronome = addButton (scene, "METRONOME", { 549, 302, 150, 24 });
    metronome.setButtonText ("metronome");

    auto& nameOnly = addButton (scene, "METRONOME", { 549, 302, 150, 24 });
    nameOnly.setButtonText ({});

    auto& lowerName = addButton (scene, "metronome", { 549, 302, 150, 24 });

    const auto shown = snapshot (metronome);
    EXPECT_TRUE (regionMatches (shown, shown.getBounds(), snapshot (nameOnly), { 0, 0 }));
    EXPECT_FALSE (regionMatches (shown, shown.getBounds(), snapshot (lowerName), { 0, 0 }));
    EXPECT_LT (summariseInk (shown, { 0, 0, 147, 21 }).darkest, 0x40);
}

TEST (ZibLookAndFeel, LabelShowsThePictureBeneathItsPlaceOnTheReference)
{
    Scene scene (makeCoordinatePicture());

    // Nested one level below the reference component.
    auto& panel = scene.add (new juce::Component(), { 100, 50, 300, 200 });
    auto& label = scene.add (new juce::Label(), { 10, 20, 80, 30 }, &panel);
    EXPECT_TRUE (regionMatches (snapshot (label), label.getLocalBounds(), scene.picture, { 110, 70 }));

    // An editable label is a well: picture walls on the top and left, a black floor.
    auto& editable = scene.add (new juce::Label(), { 526, 347, 60, 20 });
    editable.setEditable (true);
    const auto well = snapshot (editable);
    EXPECT_EQ (countPixels (well, juce::Colours::black), 59 * 19);
    EXPECT_NE (well.getPixelAt (30, 0), juce::Colours::black);
    EXPECT_NE (well.getPixelAt (0, 10), juce::Colours::black);
}

TEST (ZibLookAndFeel, WidgetsUnder24PixelsLoseTopAndBottomBorder)
{
    Scene scene (makeUniformPicture (juce::Colours::white));
    const juce::BorderSize<int> border (3, 4, 5, 6);
    const juce::BorderSize<int> sidesOnly (0, 4, 0, 6);

    auto& lowLabel = scene.add (new juce::Label ({}, "low"), { 10, 10, 80, 23 });
    auto& tallLabel = scene.add (new juce::Label ({}, "tall"), { 10, 40, 80, 24 });
    auto& lowEditor = scene.add (new juce::TextEditor(), { 10, 80, 80, 20 });
    auto& tallEditor = scene.add (new juce::TextEditor(), { 10, 110, 80, 30 });

    lowLabel.setBorderSize (border);
    tallLabel.setBorderSize (border);
    lowEditor.setBorder (border);
    tallEditor.setBorder (border);

    for (auto* c : { (juce::Component*) &lowLabel, (juce::Component*) &tallLabel,
                     (juce::Component*) &lowEditor, (juce::Component*) &tallEditor })
        snapshot (*c);

    EXPECT_EQ (lowLabel.getBorderSize(), sidesOnly);
    EXPECT_EQ (tallLabel.getBorderSize(), border);
    EXPECT_EQ (lowEditor.getBorder(), sidesOnly);
    EXPECT_EQ (tallEditor.getBorder(), border);

    // The editor's background is its own colour.
    lowEditor.setColour (juce::TextEditor::backgroundColourId, juce::Colours::red);
    EXPECT_EQ (snapshot (lowEditor).getPixelAt (40, 10), juce::Colours::red);
}

TEST (ZibLookAndFeel, DisabledSliderShowsItsTrackButNoThumb)
{
    const auto blue = juce::Colour (0xFF3366CC);
    Scene scene (makeUniformPicture (blue));
    auto& slider = scene.add (new juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox),
                              { 119, 213, 91, 24 });
    slider.setRange (0.0, 1.0);
    slider.setValue (0.5, juce::dontSendNotification);

    const auto thumbFace = blendedOver (blue, juce::Colour (0x20000000));

    const auto enabled = snapshot (slider);
    EXPECT_GE (countPixels (enabled, thumbFace), 11 * 12);
    EXPECT_GT (countPixels (enabled, juce::Colours::black), 20);   // the track's floor

    slider.setEnabled (false);
    const auto disabled = snapshot (slider);
    EXPECT_EQ (countPixels (disabled, thumbFace), 0);
    EXPECT_GT (countPixels (disabled, juce::Colours::black), 20);
}

TEST (ZibLookAndFeel, WellLeavesWhatFollowsSunkByItsDepth)
{
    Scene scene (makeCoordinatePicture());
    juce::Image image (juce::Image::ARGB, 40, 30, true);
    juce::Graphics g (image);

    scene.lookAndFeel.drawBlackDeepRectangle (g, { 200, 100, 30, 20 }, 2, 5, 4, 0xFF000000);
    EXPECT_EQ (image.getPixelAt (7, 6), juce::Colours::black);      // floor starts at (x + 2, y + 2)
    EXPECT_EQ (image.getPixelAt (34, 23), juce::Colours::black);    // and ends at (x + w, y + h)
    EXPECT_EQ (image.getPixelAt (35, 24), juce::Colours::transparentBlack);

    g.setColour (juce::Colours::red);
    g.fillRect (0, 0, 1, 1);
    EXPECT_EQ (image.getPixelAt (2, 2), juce::Colours::red);
}
