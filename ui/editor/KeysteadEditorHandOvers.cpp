#include "ui/editor/KeysteadEditor.h"

#include <cmath>
#include <cstring>

#include "engine/KeysteadProcessor.h"
#include "ui/displays/S1ListDisplayComponent.h"
#include "ui/displays/ShortLigthedNewPoint.h"
#include "ui/editor/TempoSliderModifier.h"

juce::AudioProcessorEditor* KeysteadEditor::CreateEditor (KeysteadProcessor& engine)
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

void KeysteadEditor::NoteOnSignal()
{
    // White tells the editor this is the note-on signal; the other fields carry nothing.
    setControlHighlight ({ 0, false, juce::Colours::white });
}

void KeysteadEditor::ChordSpreadSignal (float spreadMs)
{
    // The spread travels as the bit pattern of the float; black marks a chord-spread signal.
    int bits = 0;
    static_assert (sizeof (bits) == sizeof (spreadMs), "the spread must fit the index");
    std::memcpy (&bits, &spreadMs, sizeof (bits));
    setControlHighlight ({ bits, false, juce::Colours::black });
}

void KeysteadEditor::NewDot (float offsetFromReference, float dotRadius)
{
    // Starting a thread costs up to a few hundred microseconds, and a chord lights one halo per
    // note: the halo is built and started in the message loop, where it would attach itself to
    // the display in its first update anyway. Here only a short message is posted.
    using Display = KeysteadEditor::S1ListDisplayComponent;
    const juce::Component::SafePointer<Display> target (s1ListDisplay->weakSelf);

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

juce::Point<int> KeysteadEditor::NewDotCentre (float offsetFromReference, float dotRadius,
                                               int width, int height) noexcept
{
    // The halo sits where the display will draw the dot, truncated to whole pixels.
    const auto at = KeysteadEditor::S1ListDisplayComponent::DotPosition (offsetFromReference, dotRadius,
                                                                         width, height);
    return { (int) at.x, (int) at.y };
}

void KeysteadEditor::PhaseDisplayUpdate()
{
    // The display repaints and the editor refreshes its result labels in the update.
    s1ListDisplay->triggerAsyncUpdate();
}

void KeysteadEditor::TempoChange (double newTempo, double oldTempo)
{
    (new TempoSliderModifier (this, newTempo, oldTempo))->triggerAsyncUpdate();
}
