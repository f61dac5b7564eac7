#pragma once

#include <gtest/gtest.h>

#include <fstream>

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
