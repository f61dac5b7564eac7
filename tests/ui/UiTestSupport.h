#pragma once

#include <gtest/gtest.h>

#include "ui/widgets/MidiInLight.h"
#include "ui/widgets/TwinkelingToggleButton.h"
#include "ui/widgets/TwinklelingLabel.h"
#include "ui/look/ZibLookAndFeel.h"

namespace uitest
{
    using Label = KeysteadEditor::TwinklelingLabel;

    // A window-sized picture of one colour or, by default, one in which every pixel has its own
    // colour, so that a piece cut from it tells exactly where it was cut.
    inline juce::Image makePicture (std::optional<juce::Colour> uniform = {})
    {
        juce::Image p (juce::Image::RGB, KeysteadEditor::editorWidth, KeysteadEditor::editorHeight, false);
        for (int y = 0; y < p.getHeight(); ++y)
            for (int x = 0; x < p.getWidth(); ++x)
            {
                const auto blue = (juce::uint8) (0x80 + (x >> 8) * 0x20 + (y >> 8) * 8);
                p.setPixelAt (x, y, uniform.value_or (juce::Colour ((juce::uint8) x, (juce::uint8) y, blue)));
            }
        return p;
    }

    // A piece of the picture as the window shows it at a fade: white with the piece over it at
    // that opacity, the piece's top left corner at the origin.
    inline juce::Image fadedPiece (const juce::Image& picture, juce::Rectangle<int> piece, float fade)
    {
        juce::Image faded (juce::Image::ARGB, piece.getWidth(), piece.getHeight(), true);
        juce::Graphics g (faded);
        g.fillAll (juce::Colours::white);
        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) juce::roundToInt (fade * 255.0f)));
        g.drawImageAt (picture, -piece.getX(), -piece.getY());
        return faded;
    }

    // A stand-in for the editor: it owns the picture, is the look and feel's reference component,
    // and owns the widgets under test. Members go in reverse: the widgets (children after their
    // parents), the window, then the look and feel they use.
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

    inline juce::Image snapshot (juce::Component& c)
    {
        return c.createComponentSnapshot (c.getLocalBounds(), true, 1.0f);
    }

    inline std::vector<juce::Colour> pixelsOf (const juce::Image& image, juce::Rectangle<int> area)
    {
        std::vector<juce::Colour> pixels;
        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
                pixels.push_back (image.getPixelAt (x, y));
        return pixels;
    }

    // Compares an area of an image, pixel by pixel, with another image from its top left corner.
    inline ::testing::AssertionResult regionMatches (const juce::Image& got, juce::Rectangle<int> area,
                                                     const juce::Image& want)
    {
        const auto a = pixelsOf (got, area), b = pixelsOf (want, area.withZeroOrigin());
        const auto i = (size_t) (std::mismatch (a.begin(), a.end(), b.begin()).first - a.begin());
        if (i == a.size())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "pixel " << i << " of " << area.toString() << " is "
                                             << a[i].toDisplayString (true) << ", not " << b[i].toDisplayString (true);
    }

    // Runs the message loop for a while, or until a condition holds; the guard only keeps a
    // broken build from hanging, nothing is timed.
    inline bool pump (std::function<bool()> until, int ms = 20000)
    {
        for (int waited = 0; ! until() && waited < ms; waited += 5)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        return until();
    }
}
