#include "UiTestSupport.h"

using namespace uitest;

namespace
{
    // A picture of one colour, or by default one in which every pixel has its own colour, so
    // that a piece cut from it tells exactly where it was cut.
    juce::Image makePicture (std::optional<juce::Colour> uniform = {})
    {
        juce::Image p (juce::Image::RGB, KeysteadEditor::editorWidth, KeysteadEditor::editorHeight, false);
        for (int y = 0; y < p.getHeight(); ++y)
            for (int x = 0; x < p.getWidth(); ++x)
                p.setPixelAt (x, y, uniform.value_or (juce::Colour ((juce::uint8) x, (juce::uint8) y,
                                                                    (juce::uint8) (0x80 + (x >> 8) * 0x20 + (y >> 8) * 8))));
        return p;
    }

    // A piece of the picture as the window shows it at a fade: white with the piece over it at
    // that opacity, the piece's top left corner at the origin.
    juce::Image fadedPiece (const juce::Image& picture, juce::Rectangle<int> piece, float fade)
    {
        juce::Image faded (juce::Image::ARGB, piece.getWidth(), piece.getHeight(), true);
        juce::Graphics g (faded);
        g.fillAll (juce::Colours::white);
        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) juce::roundToInt (fade * 255.0f)));
        g.drawImageAt (picture, -piece.getX(), -piece.getY());
        return faded;
    }

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

    std::vector<juce::Colour> pixelsOf (const juce::Image& image, juce::Rectangle<int> area)
    {
        std::vector<juce::Colour> pixels;
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                pixels.push_back (image.getPixelAt (x, y));
        return pixels;
    }
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
        EXPECT_EQ (pixelsOf (snapshot (widget), row.area), pixelsOf (expected, row.area.withZeroOrigin()))
            << "kind " << row.kind << ", fade " << row.fade << ", height " << row.height << ", " << row.area.toString();
    }
}

TEST (ZibLookAndFeel, TextBordersAndThumbFollowTheWidgetsState)
{
    // START's text over white: black, half-transparent cyan while lit (only red drops), or grey
    // when disabled, also through a disabled parent. The lit colour comes from its own update.
    constexpr juce::uint32 black = 0xFF000000, blue = 0xFF7FFEFE, grey = 0xFF808080;
    // The darkest pixel of an area: the full colour of the text written there.
    auto ink = [] (std::vector<juce::Colour> p)
    {
        const auto darker = [] (auto a, auto b) { return a.getPerceivedBrightness() < b.getPerceivedBrightness(); };
        return std::min_element (p.begin(), p.end(), darker)->getARGB();
    };
    Scene scene (makePicture (juce::Colours::white));
    auto& start = scene.add (new KeysteadEditor::TwinkelingToggleButton ("START"), { 33, 97, 100, 24 });
    start.setButtonText ({});   // the face shows the component name, not the button text
    struct Row { bool lit, sunk, enabled, parentEnabled; juce::uint32 ink; };
    const Row rows[] = { { true, false, true, false, grey }, { true, true, false, true, grey },
                         { true, true, true, true, black },
                         { true, false, true, true, blue }, { false, false, true, true, black } };
    for (const auto& row : rows)
    {
        start.lit = row.lit;
        start.handleAsyncUpdate();
        start.setToggleState (row.sunk, juce::dontSendNotification);
        start.setEnabled (row.enabled);
        scene.window.setEnabled (row.parentEnabled);
        const auto face = row.sunk ? juce::Rectangle<int> (6, 6, 94, 18) : juce::Rectangle<int> (0, 0, 97, 21);
        EXPECT_EQ (ink (pixelsOf (snapshot (start), face)), row.ink);
    }

    // Labels under 24 pixels lose their top and bottom border.
    for (int height : { 23, 24 })
    {
        auto& label = scene.add (new juce::Label ({}, "text"), { 10, 10, 80, height });
        label.setBorderSize ({ 3, 4, 5, 6 });
        snapshot (label);
        EXPECT_EQ (label.getBorderSize(), juce::BorderSize<int> (height < 24 ? 0 : 3, 4, height < 24 ? 0 : 5, 6));
    }

    // A slider's thumb is a block of the picture under a light shade; a disabled slider has none.
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

TEST (ZibLookAndFeel, HoverOverlayAndTheEditableLabelsWellShadeThePictureByTheirOwnAlphas)
{
    // On a picture of one colour, a shade of black at alpha a leaves each channel at c (1 - a),
    // and the hover's translucent cyan at alpha a gives c (1 - a) + 255 a for green and blue.
    const juce::Colour paper (0xFF80C040);
    const auto shaded = [paper] (float a, int overlay)
    {
        const auto mix = [a, overlay] (int c, bool lit)
            { return (juce::uint8) std::lround (c * (1 - a) + (lit ? overlay * a : 0)); };
        return juce::Colour (mix (paper.getRed(), false), mix (paper.getGreen(), true), mix (paper.getBlue(), true));
    };

    enum Kind { raised, sunk, disabled, well };
    const struct
    {
        const char* name; Kind kind; int height; bool over; juce::Point<int> at; juce::Colour expected;
    } rows[] = {
        { "hovered", raised, 24, true, { 40, 10 }, shaded (128 / 255.0f, 255) },
        { "hovered, sunk", sunk, 24, true, { 40, 10 }, paper },
        { "hovered, disabled", disabled, 24, true, { 40, 10 }, paper },
        { "top wall", well, 24, false, { 40, 1 }, shaded (128 / 255.0f, 0) },
        { "left wall", well, 24, false, { 1, 12 }, shaded (64 / 255.0f, 0) },
        { "floor", well, 24, false, { 40, 12 }, juce::Colours::black },
        { "shallow floor", well, 23, false, { 40, 1 }, juce::Colours::black },
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
