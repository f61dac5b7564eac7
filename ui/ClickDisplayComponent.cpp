#include "ui/ClickDisplayComponent.h"

#include "engine/KeysteadProcessor.h"

KeysteadEditor::ClickDisplayComponent::ClickDisplayComponent (RelaxedAtomic<float>& good,
                                                              RelaxedAtomic<float>& noChord)
    : goodMetronome (&good), noChordMetronome (&noChord)
{
    addAndMakeVisible (goodMsLabel);
    addAndMakeVisible (badMsLabel);
    addAndMakeVisible (goodLabel);
}

KeysteadEditor::ClickDisplayComponent::~ClickDisplayComponent() = default;

void KeysteadEditor::ClickDisplayComponent::CircleSizeSecondsHasChanged (float ratio)
{
    // Minimal: the limits keep their milliseconds within the dial's bounds (25 ms apart at
    // least, the bad limit below 90 degrees).
    auto* editor = dynamic_cast<KeysteadEditor*> (getParentComponent());
    const auto* engine = editor != nullptr ? editor->GetEngine() : nullptr;

    if (engine == nullptr)
        return;

    const float gap = std::min ((float) engine->tempo.load() * 0.15f * (float) engine->subdivisor.load(), 44.95f);
    float bad = *noChordMetronome * ratio;

    if (bad > 89.9f || bad < 2.0f * gap)
        bad = std::max (2.0f * gap, std::min (bad, 89.9f));

    *noChordMetronome = bad;
    *goodMetronome = std::min (std::max (*goodMetronome * ratio, gap), bad - gap);
    repaint();
}
