#include "ui/widgets/MidiInLight.h"

KeysteadEditor::MidiInLight::MidiInLight()
    : juce::Thread ("MidiInLightThread")
{
}

KeysteadEditor::MidiInLight::~MidiInLight()
{
    stopThread (-1);
    cancelPendingUpdate();
}

juce::Colour KeysteadEditor::MidiInLight::colourForLevel (int lightLevel)
{
    const auto l = (float) juce::jlimit (0, 5, lightLevel);
    return juce::Colour::fromHSV (0.14f, 2.0f / 3.0f + l / 15.0f, 0.5f + l / 10.0f, 1.0f);
}

void KeysteadEditor::MidiInLight::paint (juce::Graphics& g)
{
    g.setColour (colourForLevel (level));
    g.fillEllipse (0.0f, 0.0f, (float) getWidth(), (float) getHeight());
}

void KeysteadEditor::MidiInLight::run()
{
    level = 5;

    for (;;)
    {
        if (threadShouldExit())
            return;

        triggerAsyncUpdate();

        if (level == 0)
            return;

        wait (50);
        level = level - 1;
    }
}

void KeysteadEditor::MidiInLight::handleAsyncUpdate()
{
    repaint();
}
