#include "ui/editor/KeysteadEditor.h"

#include "engine/KeysteadProcessor.h"
#include "ui/displays/DisplayComponent.h"
#include "ui/widgets/TwinkelingToggleButton.h"
#include "ui/widgets/TwinklelingLabel.h"

namespace
{
    // The reveal's pacing: the title's seven steps, then the controls' steps up to the last one.
    constexpr int firstWaitMs = 300, stepWaitMs = 120, pauseBeforeControlsMs = 400;
    constexpr int firstControlsStep = 8, fadeFloorStep = 15, lastStep = 16;
    constexpr float fadePerStep = 0.043333333f, finalFade = 0.35f;

    const juce::Colour frameColour (0x66000000);
    constexpr float frameThickness = 5.0f;

    // Around the chord half, the tempo half and the two volume sliders.
    const juce::Rectangle<float> frames[] = { { 7, 290, 311, 270 }, { 328, 290, 402, 270 }, { 27, 200, 194, 71 } };

    constexpr juce::uint8 opaque = 0xFF, halfOpaque = 0x80, dimmed = 0x77;
}

void KeysteadEditor::run()
{
    // Increments come before their triggers, so each update sees the step it was triggered for.
    wait (firstWaitMs);
    buildStep = 1;
    triggerAsyncUpdate();

    if (! RevealStepsUntil (firstControlsStep))
        return;

    wait (pauseBeforeControlsMs);
    triggerAsyncUpdate();

    RevealStepsUntil (lastStep);
}

bool KeysteadEditor::RevealStepsUntil (int step)
{
    while (buildStep < step)
    {
        if (threadShouldExit())
            return false;

        wait (stepWaitMs);
        buildStep = buildStep + 1;
        triggerAsyncUpdate();
    }

    return true;
}

void KeysteadEditor::handleAsyncUpdate()
{
    JUCE_ASSERT_MESSAGE_THREAD

    const int step = buildStep;
    backgroundFade = step < fadeFloorStep ? 1.0f - fadePerStep * (float) step : finalFade;

    if (step >= 1 && step < firstControlsStep)
    {
        // The title's question mark blinks and stays on from the last title step.
        if (step == 1)
            titleLabel->setVisible (true);

        titleLabel->setText (step % 2 == 1 ? "KEYSTEAD?" : "KEYSTEAD", juce::dontSendNotification);
        repaint();
        return;
    }

    for (auto* child : getChildren())
        child->setVisible (true);

    // START may have been clicked during the reveal: keep whichever look the analysis has.
    if (stopButton->getToggleState())
        ShowStoppedLook();
    else
        ShowRunningLook();

    repaint();
}

void KeysteadEditor::ShowStoppedLook()
{
    JUCE_ASSERT_MESSAGE_THREAD

    tempoOnButton->setEnabled (true);
    tempoOffButton->setEnabled (true);
    StartAnimation (*startButton);
    instructionLabel->signalThreadShouldExit();
    instructionLabel->setVisible (false);
}

void KeysteadEditor::ShowRunningLook()
{
    JUCE_ASSERT_MESSAGE_THREAD

    // The mode cannot change during a measurement.
    tempoOnButton->setEnabled (false);
    tempoOffButton->setEnabled (false);
    resultLabel->signalThreadShouldExit();
    resultLabel->setVisible (false);
    instructionLabel->setVisible (true);
    StartAnimation (*instructionLabel);
    startButton->signalThreadShouldExit();
}

void KeysteadEditor::StartAnimation (juce::Thread& animation)
{
    if (animation.threadShouldExit())
        animation.stopThread (-1);

    animation.startThread();
}

void KeysteadEditor::paint (juce::Graphics& g)
{
    // The window shows this editor as opaque, so every pixel must be painted.
    g.fillAll (juce::Colours::white);

    // Pictures are drawn at the current colour's opacity.
    g.setColour (juce::Colours::black.withAlpha (ZibLookAndFeel::AlphaOf (backgroundFade)));
    g.drawImageAt (GetBackground(), 0, 0);

    if (buildStep < firstControlsStep)
        return;

    g.setColour (frameColour);
    for (const auto& frame : frames)
        g.drawRect (frame, frameThickness);

    // The note pictures stand out in tempo mode and recede in chord mode.
    const bool tempoOn = tempoOnButton->getToggleState();
    g.setColour (juce::Colours::black.withAlpha (tempoOn ? opaque : halfOpaque));

    struct NotePicture { juce::Button* button; const juce::Image* image; int dx, width; };
    const NotePicture notePictures[] = { { quarterNoteButton.get(), &quarterNoteImage, -3, 27 },
                                         { eighthNoteButton.get(), &eighthNoteImage, -11, 51 },
                                         { tripletNoteButton.get(), &eighthNoteImage, -11, 51 },
                                         { sixteenthNoteButton.get(), &sixteenthNoteImage, 3, 23 } };

    for (const auto& picture : notePictures)
    {
        const auto at = picture.button->getPosition();
        g.drawImageWithin (*picture.image, at.x + picture.dx, at.y - 35, picture.width, 34,
                           juce::RectanglePlacement::centred);
    }

    // The chord strip's frame follows the engine's mode.
    const auto* engine = GetEngine();
    const bool chordMode = engine != nullptr ? engine->tempoMode == 0 : ! tempoOn;
    g.setColour (juce::Colours::black.withAlpha (chordMode ? opaque : dimmed));
    g.drawRect (chordDisplay->getBounds().expanded (1), 1);
}
