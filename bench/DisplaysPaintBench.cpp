#include <benchmark/benchmark.h>

#include "engine/KeysteadProcessor.h"
#include "ui/displays/AsyncAddChord.h"
#include "ui/displays/ClickDisplayComponent.h"
#include "ui/displays/DisplayComponent.h"
#include "ui/displays/NewChordThread.h"
#include "ui/displays/S1ListDisplayComponent.h"
#include "ui/editor/KeysteadEditor.h"

// One paint of each live display, with its children, into an image of its size, as a repaint
// after a new note or chord does it. A 60 Hz screen leaves 16.7 ms per frame for everything.

namespace
{
    struct OpenEditor
    {
        OpenEditor()
        {
            engine.SetEditorFactory (KeysteadEditor::CreateEditor);
            editor.reset (dynamic_cast<KeysteadEditor*> (engine.createEditorIfNeeded()));
            editor->stopThread (-1);
            editor->cancelPendingUpdate();
            for (auto* child : editor->getChildren())
                child->setVisible (true);
        }

        ~OpenEditor()
        {
            engine.DetachEditor (editor.get());
            editor.reset();
        }

        // The recent-phase list full: 201 phases spread round the circle, with a reference.
        void fillPhaseList()
        {
            auto& list = engine.s1List;
            const juce::ScopedLock recentPhaseListLock (list.lock);
            list.values.clear();
            for (int i = 0; i <= KeysteadProcessor::OrderedS1ValueListWithReference::maxAgeDifference; ++i)
                list.values.emplace_back ((float) i / 201.0f, 300 + i, 0.5f + 0.0025f * (float) i);
            list.ageCounter = 500;
            list.reference = KeysteadProcessor::S1Float (0.05f, 0, 0.5f);
        }

        void fiftyChords()
        {
            for (int i = 0; i < KeysteadEditor::DisplayComponent::numPoints; ++i)
                (new KeysteadEditor::DisplayComponent::AsyncAddChord (editor->chordDisplay.get(), (float) (i * 3),
                                                                      juce::Colours::black))->handleAsyncUpdate();
            editor->chordDisplay->newChordThread->stopThread (-1);
        }

        KeysteadProcessor engine;
        std::unique_ptr<KeysteadEditor> editor;
    };

    void paintLoop (benchmark::State& state, juce::Component& c)
    {
        juce::Image image (juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
        for (auto _ : state)
        {
            juce::Graphics g (image);
            c.paintEntireComponent (g, true);
            benchmark::DoNotOptimize (image.getPixelAt (0, 0));
        }
    }
}

static void BM_ClickDialPaint (benchmark::State& state)
{
    OpenEditor e;
    e.engine.tempoMode = 1;
    paintLoop (state, *e.editor->clickDisplay);
}
BENCHMARK (BM_ClickDialPaint)->Unit (benchmark::kMillisecond);

static void BM_PhaseDotsPaintFullList (benchmark::State& state)
{
    OpenEditor e;
    e.engine.tempoMode = 1;
    e.fillPhaseList();
    paintLoop (state, *e.editor->s1ListDisplay);
}
BENCHMARK (BM_PhaseDotsPaintFullList)->Unit (benchmark::kMillisecond);

static void BM_ChordStripPaintFiftyPoints (benchmark::State& state)
{
    OpenEditor e;
    e.fiftyChords();
    e.editor->chordDisplay->newChordThread->step = 3;  // with the halo
    paintLoop (state, *e.editor->chordDisplay);
}
BENCHMARK (BM_ChordStripPaintFiftyPoints)->Unit (benchmark::kMillisecond);

static void BM_WholeEditorRepaintWhilePlaying (benchmark::State& state)
{
    OpenEditor e;
    e.engine.tempoMode = 1;
    e.fillPhaseList();
    e.fiftyChords();
    paintLoop (state, *e.editor);
}
BENCHMARK (BM_WholeEditorRepaintWhilePlaying)->Unit (benchmark::kMillisecond);
