#include "UiTestSupport.h"

using namespace uitest;

namespace
{
    // A stand-in for the editor: it owns a picture of one colour, is the look and feel's reference
    // component, and owns the widgets under test (members go in reverse order of their use).
    struct Scene
    {
        explicit Scene (juce::Colour paper)
            : picture (juce::Image::RGB, KeysteadEditor::editorWidth, KeysteadEditor::editorHeight, false),
              lookAndFeel (picture, &window, nullptr)
        {
            picture.clear (picture.getBounds(), paper);
            window.setBounds (picture.getBounds());
            window.setLookAndFeel (&lookAndFeel);
        }

        template <typename W> W& add (W* widget, juce::Rectangle<int> bounds)
        {
            window.addAndMakeVisible (widgets.add (widget));
            widget->setBounds (bounds);
            return *widget;
        }

        juce::Image picture;
        ZibLookAndFeel lookAndFeel;
        juce::Component window;
        juce::OwnedArray<juce::Component> widgets;
    };

    void forEachPixel (const juce::Image& image, std::function<void (juce::Colour)> use)
    {
        for (int y = 0; y < image.getHeight(); ++y)
            for (int x = 0; x < image.getWidth(); ++x)
                use (image.getPixelAt (x, y));
    }
}

TEST (ZibLookAndFeel, StartsTextAndTheSlidersThumbFollowTheWidgetsState)
{
    // START's text over white: black, half-transparent cyan while lit (only red drops), or grey
    // when disabled, also through a disabled parent. The lit colour comes from its own update.
    constexpr juce::uint32 black = 0xFF000000, blue = 0xFF7FFEFE, grey = 0xFF808080;
    Scene scene (juce::Colours::white);
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
        forEachPixel (face, [&] (juce::Colour c)
            { darkest = c.getPerceivedBrightness() < darkest.getPerceivedBrightness() ? c : darkest; });
        EXPECT_EQ (darkest.getARGB(), row.ink);
    }

    // A slider's thumb is a block of the picture under a light shade; a disabled slider has none.
    auto& slider = scene.add (new juce::Slider (juce::Slider::LinearHorizontal, juce::Slider::NoTextBox),
                              { 119, 213, 91, 24 });
    slider.setValue (5.0, juce::dontSendNotification);
    for (bool enabled : { true, false })
    {
        slider.setEnabled (enabled);
        int shaded = 0;
        forEachPixel (snapshot (slider), [&] (juce::Colour c) { shaded += c == juce::Colour (0xFFDFDFDF) ? 1 : 0; });
        EXPECT_EQ (shaded >= 11 * 12, enabled);
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
    const struct { const char* name; Kind kind; int height; juce::Point<int> at; juce::Colour expected; } rows[] = {
        { "hovered", raised, 24, { 40, 10 }, shaded (128 / 255.0f, 255) },
        { "hovered, sunk", sunk, 24, { 40, 10 }, paper },
        { "hovered, disabled", disabled, 24, { 40, 10 }, paper },
        { "top wall", well, 24, { 40, 1 }, shaded (128 / 255.0f, 0) },
        { "left wall", well, 24, { 1, 12 }, shaded (64 / 255.0f, 0) },
        { "floor", well, 24, { 40, 12 }, juce::Colours::black },
        { "shallow floor", well, 23, { 40, 1 }, juce::Colours::black },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        Scene scene (paper);
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
            scene.lookAndFeel.drawToggleButton (g, button, true, false);
        }
        EXPECT_TRUE (near (image.getPixelAt (row.at.x, row.at.y), row.expected));
    }
}
