#include "ui/editor/KeysteadEditor.h"

#include <cmath>
#include <cstring>

#include "engine/KeysteadProcessor.h"
#include "ui/displays/AsyncAddChord.h"
#include "ui/displays/ClickDisplayComponent.h"
#include "ui/displays/DisplayComponent.h"
#include "ui/widgets/MidiInLight.h"
#include "ui/displays/MovableVerticalBar.h"
#include "ui/displays/PointComponent.h"
#include "ui/displays/S1ListDisplayComponent.h"
#include "ui/widgets/TwinkelingToggleButton.h"
#include "ui/widgets/TwinklelingLabel.h"

namespace
{
    /** A result animation and its sound need this many judged notes or chords. */
    constexpr int resultMinimumCount = 10;

    void setTextColour (juce::Label& label, juce::Colour colour)
    {
        label.setColour (juce::Label::textColourId, colour);
    }

    juce::String milliseconds (float ms)
    {
        return juce::String ((double) ms, 2) + " ms";
    }
}

void KeysteadEditor::buttonClicked (juce::Button* button)
{
    JUCE_ASSERT_MESSAGE_THREAD

    auto* engine = GetEngine();

    if (engine == nullptr)
        return;

    const bool on = button->getToggleState();

    if (button == startButton.get())
    {
        if (! on)
            return;

        // A fresh measurement; the engine carries the reset out between two blocks.
        engine->ResetLists();
        ShowRunningLook();

        for (auto& point : chordDisplay->points)
            point.reset();

        chordDisplay->repaint();

        engine->SetIsRunning (true);
        repaint();
        DisplayWorstAndAverage();
        return;
    }

    if (button == stopButton.get())
    {
        if (! on)
            return;

        engine->SetIsRunning (false);  // takes the engine's lock for the clicks and the flag
        DisplayWorstAndAverage();
        ShowStoppedLook();
        return;
    }

    if (button == tempoOnButton.get())
    {
        {
            const juce::ScopedLock engineLock (*engine);
            engine->playRequests[KeysteadProcessor::clickSound].clear();
        }

        engine->tempoMode = on ? 1 : 0;
        SetGuiForDependingOnTempo (on);
        engine->ResetLists();

        // The statistics have just been cleared: the labels must not keep the old numbers.
        DisplayWorstAndAverage();
        repaint();
        return;
    }

    if (button == metronomeButton.get())
    {
        engine->metronomeMode = on ? 1 : 0;
        metronomeVolumeCaption->setEnabled (on && tempoOnButton->getToggleState());
        engine->ResetLists();
        DisplayWorstAndAverage();
        repaint();
        return;
    }

    if (! on)
        return;

    for (size_t i = 0; i < noteButtons.size(); ++i)
    {
        if (button != noteButtons[i])
            continue;

        const int notesPerBeat = (int) i + 1;
        const int previous = engine->CurrentSubdivisor();

        // The dial's limits keep their milliseconds; the clicks stay on the beat.
        const float ratio = (float) notesPerBeat / (float) previous;
        engine->subdivisor = notesPerBeat;
        clickDisplay->CircleSizeSecondsHasChanged (ratio);
        engine->ResetLists();
        DisplayWorstAndAverage();
        return;
    }
}

void KeysteadEditor::sliderValueChanged (juce::Slider* slider)
{
    JUCE_ASSERT_MESSAGE_THREAD

    auto* engine = GetEngine();

    if (engine == nullptr)
        return;

    if (slider == tempoSlider.get())
    {
        const double oldTempo = engine->CurrentTempo();
        const double newTempo = slider->getValue();
        engine->tempo = newTempo;
        clickDisplay->CircleSizeSecondsHasChanged ((float) newTempo / (float) oldTempo);
        engine->ResetLists();
        DisplayWorstAndAverage();
    }
    else if (slider == booVolumeSlider.get())
    {
        // The slider shows the square root of the gain; the preview plays at the new gain.
        const double v = slider->getValue();
        engine->booVolume = (float) (v * v);
        engine->AskToPlayBuffer (KeysteadProcessor::booSound);
    }
    else if (slider == metronomeVolumeSlider.get())
    {
        const double v = slider->getValue();
        engine->clickVolume = (float) (v * v);
        engine->PlayClickPreview();
    }
}

void KeysteadEditor::DisplayWorstAndAverage()
{
    JUCE_ASSERT_MESSAGE_THREAD

    auto* engine = GetEngine();

    if (engine == nullptr)
        return;

    // A reset asked for but not yet carried out by the audio thread (or with no audio running at
    // all) already counts: the numbers from before it are never shown.
    const bool resetPending = engine->IsResetPending();
    const int n = resetPending ? 0 : engine->nbEvaluated.load();
    const float sum = resetPending ? 0.0f : engine->sumErrorMs.load();
    const float worst = resetPending ? 0.0f : engine->maxErrorMs.load();
    const int state = resetPending ? 0 : engine->worstState.load();
    const float average = n == 0 ? 0.0f : sum / (float) n;

    juce::String suffix;

    if (n >= resultMinimumCount && stopButton->getToggleState())
    {
        // A verdict that START hid may still be in its last wait: this one must play all the same.
        resultLabel->mode = state;
        StartAnimation (*resultLabel);

        if (state == TwinklelingLabel::goodMode)
        {
            suffix = " good";
            engine->AskToPlayBuffer (KeysteadProcessor::goodSound);
        }
        else if (state == TwinklelingLabel::middlingMode)
        {
            suffix = " middling";
        }
        else if (state == TwinklelingLabel::badMode)
        {
            suffix = " bad";
            engine->AskToPlayBuffer (KeysteadProcessor::booSound);
        }
    }

    const bool tempoOn = tempoOnButton->getToggleState();
    juce::Label* shown[] = { notesCountLabel.get(), notesAverageLabel.get(), worstNoteLabel.get() };
    juce::Label* emptied[] = { chordsCountLabel.get(), chordsAverageLabel.get(), worstChordLabel.get() };

    if (! tempoOn)
        std::swap (shown, emptied);

    shown[0]->setText (juce::String (n), juce::dontSendNotification);
    shown[1]->setText (milliseconds (average), juce::dontSendNotification);
    shown[2]->setText (milliseconds (worst) + suffix, juce::dontSendNotification);

    for (auto* label : emptied)
        label->setText ({}, juce::dontSendNotification);
}

void KeysteadEditor::SetGuiForDependingOnTempo (bool tempoOn)
{
    JUCE_ASSERT_MESSAGE_THREAD

    metronomeButton->setEnabled (tempoOn);
    metronomeVolumeCaption->setEnabled (tempoOn && metronomeButton->getToggleState());

    for (juce::Component* c : { static_cast<juce::Component*> (tripletMarkLabel.get()),
                                static_cast<juce::Component*> (tempoSliderLabel.get()),
                                static_cast<juce::Component*> (tempoSlider.get()) })
        c->setEnabled (tempoOn);

    for (auto* noteButton : noteButtons)
        noteButton->setEnabled (tempoOn);

    if (const auto* engine = GetEngine())
    {
        auto reload = [] (DisplayComponent::MovableVerticalBar& bar, int x)
        {
            bar.startX = bar.currentX = x;
            bar.setBounds (x - 2, 0, 5, bar.getHeight());
        };

        reload (chordDisplay->goodBar, engine->goodNoMetronome.load());
        reload (chordDisplay->noChordBar, engine->noChordNoMetronome.load());
    }

    clickDisplay->setInterceptsMouseClicks (tempoOn, false);
    chordDisplay->setInterceptsMouseClicks (false, ! tempoOn);

    juce::Label* chordHalf[] = { &chordDisplay->goodLabel, &chordDisplay->badLabel, &chordDisplay->goodMsLabel,
                                       &chordDisplay->noChordMsLabel, scaleMinLabel.get(), chordsAverageCaption.get(),
                                       chordsCountCaption.get(), worstChordCaption.get(), scaleMaxLabel.get() };
    juce::Label* tempoHalf[] = { &clickDisplay->goodMsLabel, &clickDisplay->badMsLabel, &clickDisplay->goodLabel,
                                       tempoSliderLabel.get(), notesAverageCaption.get(), notesCountCaption.get(),
                                       worstNoteCaption.get() };

    const auto active = juce::Colours::black, inactive = juce::Colours::black.withAlpha (INACTIVE_ALPHA);

    for (auto* label : chordHalf)
        setTextColour (*label, tempoOn ? inactive : active);

    for (auto* label : tempoHalf)
        setTextColour (*label, tempoOn ? active : inactive);

    for (auto* label : { notesCountLabel.get(), notesAverageLabel.get(), worstNoteLabel.get() })
        label->setVisible (tempoOn);

    for (auto* label : { chordsCountLabel.get(), chordsAverageLabel.get(), worstChordLabel.get() })
        label->setVisible (! tempoOn);
}

void KeysteadEditor::setControlHighlight (juce::AudioProcessorEditor::ParameterControlHighlightInfo info)
{
    // Audio thread: only a thread start or a posted update, never a change to a component.
    if (info.suggestedColour == juce::Colours::white)
    {
        // A start while a flash still runs does nothing, so the flash is not restarted.
        midiInLight->startThread();
        return;
    }

    float spreadMs = 0.0f;
    static_assert (sizeof (spreadMs) == sizeof (info.parameterIndex), "the spread travels in the index");
    std::memcpy (&spreadMs, &info.parameterIndex, sizeof (spreadMs));

    (new DisplayComponent::AsyncAddChord (chordDisplay.get(), spreadMs, info.suggestedColour))->triggerAsyncUpdate();
}
