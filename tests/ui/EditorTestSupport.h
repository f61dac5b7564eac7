#pragma once

#include "UiTestSupport.h"

#include "engine/KeysteadProcessor.h"
#include "ui/displays/ClickDisplayComponent.h"
#include "ui/displays/DisplayComponent.h"
#include "ui/displays/S1ListDisplayComponent.h"

namespace uitest
{
    // An engine and the editor it builds from its values, opened and closed as the shell does:
    // the engine is told its editor is going before the editor is deleted.
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

        // Opens the editor with its reveal thread stopped, so a test drives the steps itself.
        KeysteadEditor& openStill()
        {
            auto& e = open();
            e.stopThread (-1);
            e.cancelPendingUpdate();
            return e;
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

    // Makes the editor's background picture one colour while it lives, so that what paint adds
    // shows on a plain ground; the look and feel shares the same picture.
    struct PlainBackground
    {
        explicit PlainBackground (juce::Colour colour) : saved (KeysteadEditor::GetBackground())
        {
            KeysteadEditor::GetBackground() = makePicture (colour);
        }
        ~PlainBackground() { KeysteadEditor::GetBackground() = saved; }

        juce::Image saved;
    };

    inline int luma (juce::Colour c)
    {
        return juce::roundToInt (0.299 * c.getRed() + 0.587 * c.getGreen() + 0.114 * c.getBlue());
    }
}
