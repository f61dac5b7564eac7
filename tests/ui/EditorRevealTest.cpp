// The reveal run by its own thread and driven step by step, and the editor as the pianist first
// sees it: one snapshot, checked at named points.

#include "UiTestSupport.h"

#include "ui/displays/ShortLigthedNewPoint.h"

using namespace uitest;

TEST (EditorReveal, ItsThreadRunsTheWholeRevealAndLeavesTheStoppedLook)
{
    EditorFixture f;
    auto& e = f.open();
    ASSERT_TRUE (pump ([&] { return ! e.isThreadRunning() && ! e.isUpdatePending() && e.buildStep == 16; }));
    EXPECT_EQ (std::tuple (e.backgroundFade, e.titleLabel->getText(), e.startButton->isThreadRunning()),
               std::tuple (0.35f, juce::String ("KEYSTEAD?"), true));
    for (auto* child : e.getChildren())
        EXPECT_EQ (child->isVisible(), child != e.instructionLabel.get()) << child->getName();
}

TEST (EditorReveal, StepsBeforeTheControlsShowOnlyTheTitleAndStartDuringTheRevealKeepsTheRunningLook)
{
    EditorFixture f;
    auto& e = f.openStill();
    for (int step = 1; step <= 16; ++step)
    {
        SCOPED_TRACE ("step " + std::to_string (step));
        revealStep (e, step);
        // Only the title before the controls; START clicked then, the remaining steps keep the running look.
        EXPECT_TRUE (step != 7
                     || (e.titleLabel->isVisible() && ! e.stopButton->isVisible() && ! e.tempoSlider->isVisible()));
        e.startButton->setToggleState (step >= 7, juce::dontSendNotification);
        EXPECT_EQ (e.instructionLabel->isVisible() && e.instructionLabel->isThreadRunning()
                       && ! e.resultLabel->isVisible() && ! e.startButton->isThreadRunning()
                       && ! e.tempoOnButton->isEnabled(), step >= 8);
    }
}

TEST (EditorReveal, SnapshotAtTheControlsStepInChordMode)
{
    // On a black picture, at the controls step (8), with a phase halo at its third step.
    PlainBackground black (juce::Colours::black);
    EditorFixture f;
    auto& e = f.openStill();
    for (int step = 1; step <= 8; ++step)
        revealStep (e, step);
    // Attached by its first update, as it would be.
    auto* halo = new KeysteadEditor::S1ListDisplayComponent::ShortLigthedNewPoint (e.s1ListDisplay.get(), 85, 40);
    halo->step = 3;
    halo->handleAsyncUpdate();
    e.midiInLight->level = 5;    // the MIDI light at its brightest
    const auto shot = snapshot (e);

    // White under black at 0.65 is 88 (0x58); a frame's black at 0.4 over it leaves 53 (0x35).
    const struct { const char* name; int x, y; juce::uint32 colour; } points[] = {
        { "white through the picture faded to 0.65", 400, 100, 0xFF585858 },
        { "the chord half's frame", 9, 300, 0xFF353535 },
        { "the quarter note's head at half strength", 557, 451, 0xFF2C2C2C },
        { "the chord strip's frame, opaque in chord mode", 88, 420, 0xFF000000 },
        { "the strip's green turning pink", 149, 451, 0xFFB6A291 },
        { "the dial's good wedge over the bad one, dimmed", 424, 341, 0xFF9B8C80 },
        { "the dial's bad wedge, dimmed", 375, 376, 0xFFA63873 },
        { "the halo's middle", 426, 368, 0xFFC5C127 },
        { "the halo's left rim", 410, 368, 0xFFD6D033 },
        { "just left of the halo", 407, 368, 0xFF9B8C80 },
        { "the MIDI light at its brightest", 648, 200, 0xFFFFD600 },
        { "START's lower wall", 80, 118, 0xFF1D1D1D },
    };
    for (const auto& p : points)
        EXPECT_TRUE (near (shot.getPixelAt (p.x, p.y), juce::Colour (p.colour))) << p.name;
}
