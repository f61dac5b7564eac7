#pragma once

#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "ui/KeysteadEditor.h"
#include "ui/ZibLookAndFeel.h"

namespace uitest
{
    constexpr int pictureWidth = KeysteadEditor::editorWidth;
    constexpr int pictureHeight = KeysteadEditor::editorHeight;

    /** A picture in which every pixel of the window has its own colour, so a piece cut from it
        tells exactly where it was cut. */
    inline juce::Image makeCoordinatePicture()
    {
        juce::Image picture (juce::Image::RGB, pictureWidth, pictureHeight, false);

        for (int y = 0; y < pictureHeight; ++y)
            for (int x = 0; x < pictureWidth; ++x)
                picture.setPixelAt (x, y, juce::Colour ((juce::uint8) (x & 0xFF), (juce::uint8) (y & 0xFF),
                                                        (juce::uint8) (0x80 + (x >> 8) * 0x20 + (y >> 8) * 0x08)));

        return picture;
    }

    inline juce::Image makeUniformPicture (juce::Colour colour)
    {
        juce::Image picture (juce::Image::RGB, pictureWidth, pictureHeight, false);
        picture.clear (picture.getBounds(), colour);
        return picture;
    }

    /** A piece of the picture as it shows at a fade: white with the piece over it at that
        opacity. The result's origin is the piece's top left corner. */
    inline juce::Image makeFadedPiece (const juce::Image& picture, juce::Rectangle<int> piece, float fade)
    {
        juce::Image faded (juce::Image::ARGB, piece.getWidth(), piece.getHeight(), true);
        juce::Graphics g (faded);
        g.fillAll (juce::Colours::white);
        g.setColour (juce::Colours::black.withAlpha ((juce::uint8) juce::roundToInt (fade * 255.0f)));
        g.drawImageAt (picture, -piece.getX(), -piece.getY());
        return faded;
    }

    /** The window's whole background at a fade. */
    inline juce::Image makeFadedBackground (const juce::Image& picture, float fade)
    {
        return makeFadedPiece (picture, picture.getBounds(), fade);
    }

    /** What a colour looks like laid over another, as the renderer blends it. */
    inline juce::Colour blendedOver (juce::Colour base, juce::Colour over)
    {
        juce::Image pixel (juce::Image::ARGB, 1, 1, true);
        juce::Graphics g (pixel);
        g.fillAll (base);
        g.setColour (over);
        g.fillRect (0, 0, 1, 1);
        return pixel.getPixelAt (0, 0);
    }

    /** A stand-in for the editor: the picture's owner and the look and feel's reference
        component, holding the widgets under test at their places. Members are declared so that
        the widgets go before the look and feel they use. */
    struct Scene
    {
        explicit Scene (juce::Image pictureToUse, const float* fadeSource = nullptr)
            : picture (std::move (pictureToUse)),
              lookAndFeel (picture, &window, fadeSource)
        {
            window.setBounds (0, 0, pictureWidth, pictureHeight);
            window.setLookAndFeel (&lookAndFeel);
        }

        ~Scene()
        {
            window.deleteAllChildren();
            window.setLookAndFeel (nullptr);
        }

        /** Adds a widget to the window (or to a parent inside it), which then owns it. */
        template <typename WidgetType>
        WidgetType& add (WidgetType* widget, juce::Rectangle<int> bounds, juce::Component* parent = nullptr)
        {
            (parent != nullptr ? parent : &window)->addAndMakeVisible (widget);
            widget->setBounds (bounds);
            return *widget;
        }

        juce::Image picture;
        juce::Component window;
        ZibLookAndFeel lookAndFeel;
    };

    inline juce::Image snapshot (juce::Component& component)
    {
        return component.createComponentSnapshot (component.getLocalBounds(), true, 1.0f);
    }

    /** Compares a region of an image with a region of another, pixel by pixel, each channel
        within the tolerance; reports the first difference. */
    inline ::testing::AssertionResult regionMatches (const juce::Image& image, juce::Rectangle<int> area,
                                                     const juce::Image& expected, juce::Point<int> expectedOrigin,
                                                     int tolerance = 0)
    {
        auto near = [tolerance] (juce::Colour a, juce::Colour b)
        {
            return std::abs ((int) a.getAlpha() - (int) b.getAlpha()) <= tolerance
                && std::abs ((int) a.getRed() - (int) b.getRed()) <= tolerance
                && std::abs ((int) a.getGreen() - (int) b.getGreen()) <= tolerance
                && std::abs ((int) a.getBlue() - (int) b.getBlue()) <= tolerance;
        };

        for (int y = area.getY(); y < area.getBottom(); ++y)
            for (int x = area.getX(); x < area.getRight(); ++x)
            {
                const auto got = image.getPixelAt (x, y);
                const auto want = expected.getPixelAt (expectedOrigin.x + x - area.getX(),
                                                       expectedOrigin.y + y - area.getY());

                if (! near (got, want))
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << ") is " << got.toDisplayString (true)
                           << ", expected " << want.toDisplayString (true);
            }

        return ::testing::AssertionSuccess();
    }

    /** Runs the message loop until the condition holds or a generous guard runs out; returns
        whether it holds. The guard only keeps a broken build from hanging: nothing is timed. */
    template <typename Condition>
    bool pumpUntil (Condition condition, int guardMs = 20000)
    {
        for (int waited = 0; ! condition() && waited < guardMs; waited += 5)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);

        return condition();
    }

    inline void pumpFor (int ms)
    {
        juce::MessageManager::getInstance()->runDispatchLoopUntil (ms);
    }
}
