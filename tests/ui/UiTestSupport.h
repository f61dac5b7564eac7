#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <optional>

#include "engine/KeysteadProcessor.h"
#include "ui/displays/ClickDisplayComponent.h"
#include "ui/displays/DisplayComponent.h"
#include "ui/displays/S1ListDisplayComponent.h"
#include "ui/look/ZibLookAndFeel.h"
#include "ui/widgets/MidiInLight.h"
#include "ui/widgets/TwinkelingToggleButton.h"
#include "ui/widgets/TwinklelingLabel.h"

namespace uitest
{
    using Label = KeysteadEditor::TwinklelingLabel;

    // Runs the message loop for a while, or until a condition holds; the guard only keeps a
    // broken build from hanging, nothing is timed.
    inline bool pump (std::function<bool()> until, int ms = 20000)
    {
        for (int waited = 0; ! until() && waited < ms; waited += 5)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
        return until();
    }

    // An engine and the editor it builds, closed as the shell does: the engine is told its
    // editor is going before the editor is deleted.
    struct EditorFixture
    {
        KeysteadProcessor engine;
        std::unique_ptr<KeysteadEditor> editor;

        EditorFixture() { engine.SetEditorFactory (KeysteadEditor::CreateEditor); }

        KeysteadEditor& open()
        {
            editor.reset (dynamic_cast<KeysteadEditor*> (engine.createEditorIfNeeded()));
            return *editor;
        }

        // With its reveal thread stopped, so that a test drives the steps itself.
        KeysteadEditor& openStill()
        {
            open().stopThread (-1);
            editor->cancelPendingUpdate();
            return *editor;
        }

        void close()
        {
            if (editor != nullptr)
                engine.DetachEditor (editor.get());
            editor.reset();
        }

        ~EditorFixture() { close(); }
    };

    // Performs one reveal step as the editor's thread would have it performed.
    inline void revealStep (KeysteadEditor& e, int step)
    {
        e.buildStep = step;
        e.handleAsyncUpdate();
    }

    // Makes the editor's background picture one colour while it lives; the look and feel shares it.
    struct PlainBackground
    {
        explicit PlainBackground (juce::Colour c) : saved (KeysteadEditor::GetBackground())
        {
            KeysteadEditor::GetBackground() = juce::Image (juce::Image::RGB, KeysteadEditor::editorWidth,
                                                           KeysteadEditor::editorHeight, false);
            KeysteadEditor::GetBackground().clear ({ KeysteadEditor::editorWidth, KeysteadEditor::editorHeight }, c);
        }
        ~PlainBackground() { KeysteadEditor::GetBackground() = saved; }
        juce::Image saved;
    };

    inline juce::Image snapshot (juce::Component& c) { return c.createComponentSnapshot (c.getLocalBounds(), false); }

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

    inline int luma (juce::Colour c)
    {
        return juce::roundToInt (0.299 * c.getRed() + 0.587 * c.getGreen() + 0.114 * c.getBlue());
    }

    // A component's own painting (children included) over a white ground.
    inline juce::Image onWhite (juce::Component& c)
    {
        juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
        juce::Graphics g (image);
        g.fillAll (juce::Colours::white);
        g.drawImageAt (snapshot (c), 0, 0);
        return image;
    }

    inline juce::Colour overWhite (juce::Colour c, juce::uint8 alpha)
    {
        return juce::Colours::white.overlaidWith (c.withAlpha (alpha));
    }

    inline ::testing::AssertionResult near (juce::Colour got, juce::Colour want, int tolerance = 2)
    {
        const auto diff = [] (juce::uint8 a, juce::uint8 b) { return std::abs ((int) a - (int) b); };
        if (std::max ({ diff (got.getRed(), want.getRed()), diff (got.getGreen(), want.getGreen()),
                        diff (got.getBlue(), want.getBlue()), diff (got.getAlpha(), want.getAlpha()) }) <= tolerance)
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << got.toDisplayString (true) << " is not " << want.toDisplayString (true);
    }

    // A mouse event on a component at a position, pressed at another (or the same) one.
    inline juce::MouseEvent mouseAt (juce::Component& c, juce::Point<float> at,
                                     std::optional<juce::Point<float>> down = {})
    {
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), at, {},
                                 juce::MouseInputSource::defaultPressure, 0.0f, 0.0f, 0.0f, 0.0f,
                                 &c, &c, now, down.value_or (at), now, 1, down.has_value());
    }

    // A click as the framework delivers it: posted, then handled in the message loop.
    inline void click (juce::Button& button)
    {
        struct Seen : juce::Button::Listener
        {
            bool clicked = false;
            void buttonClicked (juce::Button*) override { clicked = true; }
        } seen;
        button.addListener (&seen);
        button.triggerClick();
        pump ([&] { return seen.clicked; });
        button.removeListener (&seen);
    }

    // How many of this process's threads carry a name starting so (Linux keeps 15 characters).
    inline int threadsNamed (const std::string& prefix)
    {
        int count = 0;
        for (const auto& task : juce::File ("/proc/self/task").findChildFiles (juce::File::findDirectories, false))
        {
            std::string name;
            std::getline (std::ifstream (task.getChildFile ("comm").getFullPathName().toStdString()), name);
            count += name.rfind (prefix.substr (0, 15), 0) == 0 ? 1 : 0;
        }
        return count;
    }
}
