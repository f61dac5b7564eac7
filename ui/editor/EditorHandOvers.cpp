#include "engine/EditorHandOvers.h"

#include <cmath>
#include <cstring>

#include "engine/KeysteadProcessor.h"
#include "ui/editor/KeysteadEditor.h"
#include "ui/displays/S1ListDisplayComponent.h"
#include "ui/displays/ShortLigthedNewPoint.h"
#include "ui/editor/TempoSliderModifier.h"

juce::AudioProcessorEditor* EditorHandOvers::CreateEditor (KeysteadProcessor& engine)
{
    // A settings file can hold anything; the editor gets values its controls can show.
    const double currentTempo = engine.tempo.load();
    const int tempoForEditor = std::isfinite (currentTempo) ? (int) juce::jlimit (-1.0e6, 1.0e6, currentTempo)
                                                            : KeysteadProcessor::defaultTempo;

    return new KeysteadEditor (engine,
                               engine.goodNoMetronome.load(),
                               engine.noChordNoMetronome.load(),
                               engine.goodMetronome,
                               engine.noChordMetronome,
                               engine.tempoMode.load() != 0,
                               engine.metronomeMode.load() != 0,
                               tempoForEditor,
                               juce::jlimit (engine.minimumSubdivisor, engine.maximumSubdivisor,
                                             engine.subdivisor.load()),
                               engine.clickVolume.load(),
                               engine.booVolume.load());
}

void EditorHandOvers::NoteOnSignal (juce::AudioProcessorEditor& editor)
{
    // White tells the editor this is the note-on signal; the other fields carry nothing.
    editor.setControlHighlight ({ 0, false, juce::Colours::white });
}

void EditorHandOvers::ChordSpreadSignal (juce::AudioProcessorEditor& editor, float spreadMs)
{
    // The spread travels as the bit pattern of the float; black marks a chord-spread signal.
    int bits = 0;
    static_assert (sizeof (bits) == sizeof (spreadMs), "the spread must fit the index");
    std::memcpy (&bits, &spreadMs, sizeof (bits));
    editor.setControlHighlight ({ bits, false, juce::Colours::black });
}

void EditorHandOvers::NewDot (juce::AudioProcessorEditor& editor, float offsetFromReference, float dotRadius)
{
    auto* keysteadEditor = dynamic_cast<KeysteadEditor*> (&editor);

    if (keysteadEditor == nullptr)
        return;

    // Starting a thread costs up to a few hundred microseconds, and a chord lights one halo per
    // note: the halo is built and started in the message loop, where it would attach itself to
    // the display in its first update anyway. Here only a short message is posted.
    using Display = KeysteadEditor::S1ListDisplayComponent;
    const juce::Component::SafePointer<Display> target (keysteadEditor->s1ListDisplay->weakSelf);

    juce::MessageManager::callAsync ([target, offsetFromReference, dotRadius]
    {
        if (auto* display = target.getComponent())
        {
            const auto centre = NewDotCentre (offsetFromReference, dotRadius,
                                              display->getWidth(), display->getHeight());
            (new Display::ShortLigthedNewPoint (display, centre.x, centre.y))->startThread();
        }
    });
}

juce::Point<int> EditorHandOvers::NewDotCentre (float offsetFromReference, float dotRadius,
                                                int width, int height) noexcept
{
    // The halo sits where the display will draw the dot, truncated to whole pixels.
    const auto at = KeysteadEditor::S1ListDisplayComponent::DotPosition (offsetFromReference, dotRadius,
                                                                         width, height);
    return { (int) at.x, (int) at.y };
}

void EditorHandOvers::PhaseDisplayUpdate (juce::AudioProcessorEditor& editor)
{
    // The display repaints and the editor refreshes its result labels in the update.
    if (auto* keysteadEditor = dynamic_cast<KeysteadEditor*> (&editor))
        keysteadEditor->s1ListDisplay->triggerAsyncUpdate();
}

void EditorHandOvers::TempoChange (juce::AudioProcessorEditor& editor, double newTempo, double oldTempo)
{
    if (auto* keysteadEditor = dynamic_cast<KeysteadEditor*> (&editor))
        (new TempoSliderModifier (keysteadEditor, newTempo, oldTempo))->triggerAsyncUpdate();
}
