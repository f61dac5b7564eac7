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
}

TEST (ZibLookAndFeel, StartsTextFollowsItsState)
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
    const struct { const char* name; Kind kind; int height; juce::Point<int> at; juce::Colour expected; } rows[] = {
        { "hovered", raised, 24, { 40, 10 }, shaded (128, juce::Colours::cyan) },
        { "hovered, sunk", sunk, 24, { 40, 10 }, paper },
        { "hovered, disabled", disabled, 24, { 40, 10 }, paper },
        { "top wall", well, 24, { 40, 1 }, shaded (128, juce::Colours::black) },
        { "left wall", well, 24, { 1, 12 }, shaded (64, juce::Colours::black) },
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
