#include "UiTestSupport.h"

using namespace uitest;

namespace
{
    // A stand-in for the editor: it owns the picture, is the look and feel's reference component,
    // and owns the widgets under test (members go in reverse order of their use).
    struct Scene
    {
        explicit Scene (juce::Image p, const float* fade = nullptr) : picture (p), lookAndFeel (picture, &window, fade)
        {
            window.setBounds (picture.getBounds());
            window.setLookAndFeel (&lookAndFeel);
        }

        template <typename W> W& add (W* widget, juce::Rectangle<int> bounds, juce::Component* parent = nullptr)
        {
            (parent != nullptr ? parent : &window)->addAndMakeVisible (widgets.add (widget));
            widget->setBounds (bounds);
            return *widget;
        }

        juce::Image picture;
        ZibLookAndFeel lookAndFeel;
        juce::Component window;
        juce::OwnedArray<juce::Component> widgets;
    };
}

TEST (ZibLookAndFeel, FacesShowThePictureBeneathRaisedSunkAndFaded)
{
    // A button at (33, 97): raised, its face is the picture from (x + d, y + d) drawn d pixels up
    // and left (d is 3, or 2 under 24 pixels high); sunk, the top and left strips show the
    // picture in place and the face is pushed d pixels down and right. A label, nested in a
    // panel at (100, 50), is the picture beneath it. A fade of 1 stands for no fade at all.
    enum Kind { raised, sunk, label };
    struct Row { Kind kind; float fade; int height; juce::Rectangle<int> area; juce::Point<int> onPicture; };
    const Row rows[] = {
        { raised, 1.0f, 24, { 0, 0, 97, 21 }, { 36, 100 } },   { raised, 1.0f, 23, { 0, 0, 98, 21 }, { 35, 99 } },
        { sunk, 1.0f, 24, { 0, 0, 100, 3 }, { 33, 97 } },      { sunk, 1.0f, 24, { 0, 3, 3, 21 }, { 33, 100 } },
        { sunk, 1.0f, 24, { 6, 6, 94, 18 }, { 36, 100 } },     { sunk, 1.0f, 23, { 4, 4, 96, 19 }, { 35, 99 } },
        { raised, 0.35f, 24, { 0, 0, 97, 21 }, { 36, 100 } },  { sunk, 0.35f, 24, { 6, 6, 94, 18 }, { 36, 100 } },
        { sunk, 0.35f, 24, { 0, 0, 100, 3 }, { 33, 97 } },     { raised, 0.0f, 24, { 0, 0, 97, 21 }, { 36, 100 } },
        { label, 1.0f, 30, { 0, 0, 80, 30 }, { 110, 70 } },    { label, 0.35f, 24, { 0, 0, 80, 24 }, { 110, 70 } },
    };
    const auto picture = makePicture();
    for (const auto& row : rows)
    {
        Scene scene (picture, row.fade < 1.0f ? &row.fade : nullptr);
        auto& panel = scene.add (new juce::Component(), { 100, 50, 300, 200 });
        auto& widget = row.kind == label
            ? (juce::Component&) scene.add (new juce::Label(), { 10, 20, 80, row.height }, &panel)
            : (juce::Component&) scene.add (new juce::ToggleButton(), { 33, 97, 100, row.height });
        if (auto* button = dynamic_cast<juce::Button*> (&widget))
            button->setToggleState (row.kind == sunk, juce::dontSendNotification);
        const auto expected = fadedPiece (picture, row.area.withPosition (row.onPicture), row.fade);
        EXPECT_TRUE (regionMatches (snapshot (widget), row.area, expected))
            << "kind " << row.kind << ", fade " << row.fade << ", height " << row.height
            << ", area " << row.area.toString();
    }
}

TEST (ZibLookAndFeel, ShallowLabelsLoseTheirTopAndBottomBorderAndADisabledSliderHasNoThumb)
{
    Scene scene (makePicture (juce::Colours::white));
    for (int height : { 23, 24 })
    {
        auto& label = scene.add (new juce::Label ({}, "text"), { 10, 10, 80, height });
        label.setBorderSize ({ 3, 4, 5, 6 });
        snapshot (label);
        EXPECT_EQ (label.getBorderSize(), juce::BorderSize<int> (height < 24 ? 0 : 3, 4, height < 24 ? 0 : 5, 6));
    }

    // A slider's thumb is a block of the picture under a light shade (black at 0x20 over white).
    auto& slider = scene.add (new juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox),
                              { 119, 213, 91, 24 });
    slider.setValue (5.0, juce::dontSendNotification);
    for (bool enabled : { true, false })
    {
        slider.setEnabled (enabled);
        const auto pixels = pixelsOf (snapshot (slider), slider.getLocalBounds());
        EXPECT_EQ (std::count (pixels.begin(), pixels.end(), juce::Colour (0xFFDFDFDF)) >= 11 * 12, enabled);
    }
}

TEST (ZibLookAndFeel, StartsTextFollowsItsState)
{
    // START's text over white: black, half-transparent cyan while lit (only red drops), or grey
    // when disabled, also through a disabled parent. The lit colour comes from its own update.
    constexpr juce::uint32 black = 0xFF000000, blue = 0xFF7FFEFE, grey = 0xFF808080;
    Scene scene (makePicture (juce::Colours::white));
    auto& start = scene.add (new KeysteadEditor::TwinkelingToggleButton ("START"), { 33, 97, 100, 24 });
    start.setButtonText ({});   // the face shows the component name, not the button text
    const struct { bool lit, sunk, enabled, parentEnabled; juce::uint32 ink; } rows[] = {
        { true, false, true, false, grey }, { true, true, false, true, grey }, { true, true, true, true, black },
        { true, false, true, true, blue }, { false, false, true, true, black } };
    for (const auto& row : rows)
    {
        start.lit = row.lit;
        start.handleAsyncUpdate();
        start.setToggleState (row.sunk, juce::dontSendNotification);
        start.setEnabled (row.enabled);
        scene.window.setEnabled (row.parentEnabled);
        // The darkest pixel of the face is the full colour of the text written there.
        const auto face = snapshot (start).getClippedImage (row.sunk ? juce::Rectangle (6, 6, 94, 18)
                                                                     : juce::Rectangle (0, 0, 97, 21));
        auto darkest = juce::Colours::white;
        for (int y = 0; y < face.getHeight(); ++y)
            for (int x = 0; x < face.getWidth(); ++x)
                if (face.getPixelAt (x, y).getPerceivedBrightness() < darkest.getPerceivedBrightness())
                    darkest = face.getPixelAt (x, y);
        EXPECT_EQ (darkest.getARGB(), row.ink);
    }
}

TEST (ZibLookAndFeel, HoverOverlayAndTheEditableLabelsWellShadeThePictureByTheirOwnAlphas)
{
    // On a picture of one colour, a shade of black at alpha a leaves each channel at c (1 - a),
    // and the hover's translucent cyan at alpha a gives c (1 - a) + 255 a for green and blue.
    const juce::Colour paper (0xFF80C040);
    const auto shaded = [paper] (juce::uint8 alpha, juce::Colour ink)
        { return paper.overlaidWith (ink.withAlpha (alpha)); };
    enum Kind { raised, sunk, disabled, well };
    struct Row
    {
        const char* name; Kind kind; int height; juce::Point<int> at; juce::Colour expected; bool over = true;
    };
    const Row rows[] = {
        { "hovered", raised, 24, { 40, 10 }, shaded (128, juce::Colours::cyan) },
        { "not hovered", raised, 24, { 40, 10 }, paper, false },
        { "hovered, sunk", sunk, 24, { 40, 10 }, paper },
        { "hovered, disabled", disabled, 24, { 40, 10 }, paper },
        { "top wall", well, 24, { 40, 1 }, shaded (128, juce::Colours::black) },
        { "left wall", well, 24, { 1, 12 }, shaded (64, juce::Colours::black) },
        { "floor", well, 24, { 40, 12 }, juce::Colours::black },
        { "shallow top wall", well, 23, { 40, 0 }, shaded (128, juce::Colours::black) },
        { "shallow floor", well, 23, { 40, 1 }, juce::Colours::black },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        Scene scene (makePicture (paper));
        // Drawn over the same picture, as the window shows it beneath.
        juce::Image image (juce::Image::ARGB, 100, row.height, true);
        image.clear (image.getBounds(), paper);
        juce::Graphics g (image);
        if (row.kind == well)
        {
            auto& label = scene.add (new juce::Label(), { 10, 20, 100, row.height });
            label.setEditable (true);
            scene.lookAndFeel.drawLabel (g, label);
        }
        else
        {
            auto& button = scene.add (new juce::ToggleButton(), { 33, 97, 100, row.height });
            button.setToggleState (row.kind == sunk, juce::dontSendNotification);
            button.setEnabled (row.kind != disabled);
            scene.lookAndFeel.drawToggleButton (g, button, row.over, false);
        }
        EXPECT_TRUE (near (image.getPixelAt (row.at.x, row.at.y), row.expected));
    }
}
