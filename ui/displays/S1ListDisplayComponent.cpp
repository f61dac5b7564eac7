#include "ui/displays/S1ListDisplayComponent.h"

#include "engine/KeysteadProcessor.h"
#include "ui/displays/ShortLigthedNewPoint.h"

namespace
{
    constexpr float fadePerInsertion = 0.005f;  // a dot is gone 200 insertions after its own
    constexpr float dotSize = 4.0f;
}

using Display = KeysteadEditor::S1ListDisplayComponent;

Display::S1ListDisplayComponent (juce::AudioProcessor& p)
    : processor (p)
{
    setInterceptsMouseClicks (false, false);
}

Display::~S1ListDisplayComponent()
{
    JUCE_ASSERT_MESSAGE_THREAD

    cancelPendingUpdate();

    // A halo's destructor takes it off the display, so collect them first.
    juce::Array<ShortLigthedNewPoint*> halos;
    for (auto* child : getChildren())
        if (auto* halo = dynamic_cast<ShortLigthedNewPoint*> (child))
            halos.add (halo);

    for (auto* halo : halos)
        delete halo;
}

juce::Point<float> Display::DotPosition (float offsetFromReference, float radius, int width, int height) noexcept
{
    const auto theta = (float) ((double) (offsetFromReference * 4.0f) * PI_OVER_2);
    return { (float) ((double) (1.0f + radius * std::sin (theta)) * (width * 0.5)),
             (float) ((double) (1.0f - radius * std::cos (theta)) * (height * 0.5)) };
}

void Display::paint (juce::Graphics& g)
{
    auto* engine = dynamic_cast<KeysteadProcessor*> (&processor);
    // Dots from before a reset that the audio thread has not carried out yet are already gone
    // for the player, as the result labels are.
    if (engine == nullptr || engine->IsResetPending())
        return;

    auto& list = engine->s1List;
    const juce::ScopedLock recentPhaseListLock (list.lock);

    if (list.reference.value == KeysteadProcessor::S1Float::UNDEFINED.value)
        return;

    const float reference = list.reference.value;
    const int w = getWidth(), h = getHeight();

    // In the list's circular order, newer dots over older ones where they meet.
    for (const auto& dot : list.values)
    {
        const float opacity = 1.0f - fadePerInsertion * (float) (list.ageCounter - dot.age);
        g.setColour (juce::Colours::black.withAlpha (opacity));

        const auto at = DotPosition (list.ForwardDistance (reference, dot.value), dot.radius, w, h);
        g.fillEllipse (at.x - dotSize * 0.5f, at.y - dotSize * 0.5f, dotSize, dotSize);
    }
}

void Display::handleAsyncUpdate()
{
    if (auto* editor = dynamic_cast<KeysteadEditor*> (getParentComponent()))
        editor->DisplayWorstAndAverage();

    repaint();
}
