// The reveal run by its own thread and driven step by step, what paint draws at each stage, and
// the editor as the pianist first sees it: one snapshot, checked at named points.

#include "UiTestSupport.h"

#include "ui/displays/ShortLigthedNewPoint.h"

using namespace uitest;

TEST (EditorReveal, ItsThreadRunsTheWholeRevealAndLeavesTheStoppedLook)
{
    EditorFixture f;
    auto& e = f.open();
    std::vector<float> fades;
    ASSERT_TRUE (pump ([&]
    {
        if (fades.empty() || fades.back() != e.backgroundFade)
            fades.push_back (e.backgroundFade);
        return ! e.isThreadRunning() && ! e.isUpdatePending() && e.buildStep == 16;
    }));
    EXPECT_TRUE (std::is_sorted (fades.rbegin(), fades.rend())) << "the picture only ever fades";
    EXPECT_EQ (std::tuple (e.backgroundFade, e.titleLabel->getText(), e.startButton->isThreadRunning()),
               std::tuple (0.35f, juce::String ("KEYSTEAD?"), true));
    for (auto* child : e.getChildren())
        EXPECT_EQ (child->isVisible(), child != e.instructionLabel.get()) << child->getName();
}

TEST (EditorReveal, TitleBlinksThenTheControlsAppearInTheStoppedLookWhileThePictureFades)
{
    EditorFixture f;
    auto& e = f.openStill();
    const struct { int step; float fade; const char* title; bool controlsShown; } rows[] = {
        { 1, 0.9566667f, "KEYSTEAD?", false }, { 2, 0.9133333f, "KEYSTEAD", false },
        { 3, 0.87f, "KEYSTEAD?", false },      { 6, 0.74f, "KEYSTEAD", false },
        { 7, 0.6966667f, "KEYSTEAD?", false }, { 8, 0.6533333f, "KEYSTEAD?", true },
        { 14, 0.3933333f, "KEYSTEAD?", true }, { 15, 0.35f, "KEYSTEAD?", true },
        { 16, 0.35f, "KEYSTEAD?", true },
    };
    int step = 0;
    for (const auto& row : rows)
    {
        SCOPED_TRACE ("step " + std::to_string (row.step));
        while (step < row.step)
            revealStep (e, ++step);
        EXPECT_NEAR (e.backgroundFade, row.fade, 1e-6);
        EXPECT_EQ (std::tuple (e.titleLabel->isVisible(), e.titleLabel->getText()),
                   std::tuple (true, juce::String (row.title)));
        EXPECT_EQ (std::pair (e.stopButton->isVisible(), e.tempoSlider->isVisible()),
                   std::pair (row.controlsShown, row.controlsShown));
        if (row.controlsShown)
        {
            // Stopped: the mode switch free, START blinking, the instruction hidden and still.
            EXPECT_TRUE (e.tempoOnButton->isEnabled() && e.tempoOffButton->isEnabled());
            EXPECT_TRUE (e.startButton->isThreadRunning() && ! e.startButton->threadShouldExit());
            EXPECT_FALSE (e.instructionLabel->isVisible() || e.instructionLabel->isThreadRunning());
        }
    }
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
        { "the tempo half's frame", 330, 400, 0xFF353535 },
        { "the quarter note's head at half strength", 557, 451, 0xFF2C2C2C },
        { "the chord strip's frame, opaque in chord mode", 88, 420, 0xFF000000 },
        { "the strip's good zone", 114, 451, 0xFF90EE90 },
        { "the strip's green turning pink", 149, 451, 0xFFB6A291 },
        { "the strip's bad zone", 179, 451, 0xFFFF1493 },
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

TEST (EditorPaint, PictureAtTheFadesOpacityOverWhite)
{
    PlainBackground black (juce::Colours::black);
    EditorFixture f;
    auto& e = f.openStill();

    // Black drawn at opacity a over white leaves 255 x (1 - a), a rounded to a byte (the renderer
    // may round the blend one step up).
    for (auto [step, shown] : { std::pair { 0, 0 }, { 1, 11 }, { 8, 88 }, { 16, 166 } })
    {
        revealStep (e, step);
        EXPECT_NEAR (luma (snapshot (e).getPixelAt (400, 100)), shown, 1) << "step " << step;
    }
}

TEST (EditorPaint, FramesNotePicturesAndStripFrameFromTheControlsStepByMode)
{
    PlainBackground white (juce::Colours::white);
    constexpr int framed = 153;   // 0x66 black over white

    const struct { const char* name; int tempoMode, step; bool extras; int darkestNote, stripFrame; } rows[] = {
        { "title step", 0, 7, false, 255, 255 },
        { "chord mode", 0, 8, true, 127, 0 },
        { "tempo mode", 1, 8, true, 0, 136 },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        f.engine.tempoMode = row.tempoMode;
        auto& e = f.openStill();
        for (int step = 1; step <= row.step; ++step)
            revealStep (e, step);
        const auto image = snapshot (e);
        const auto at = [&] (int x, int y) { return luma (image.getPixelAt (x, y)); };

        // The chord half's frame: a 5-pixel band inside (7, 290, 311, 270).
        const int band = row.extras ? framed : 255;
        const std::pair<int, int> inBand[] = { { 7, 300 }, { 11, 300 }, { 313, 300 }, { 317, 300 }, { 100, 290 },
                                               { 100, 294 }, { 100, 555 }, { 100, 559 } };
        const std::pair<int, int> beside[] = { { 6, 300 }, { 12, 300 }, { 312, 300 }, { 318, 300 }, { 100, 289 },
                                               { 100, 295 }, { 100, 554 }, { 100, 560 } };
        for (auto [x, y] : inBand)
            EXPECT_EQ (at (x, y), band) << x << ", " << y;
        for (auto [x, y] : beside)
            EXPECT_EQ (at (x, y), 255) << x << ", " << y;
        EXPECT_EQ (at (330, 400), band) << "tempo half's frame";
        EXPECT_EQ (at (29, 230), band) << "volumes' frame";

        // The note pictures over the note toggles, full or half strength.
        for (auto box : { juce::Rectangle<int> (547, 424, 27, 34), { 587, 424, 51, 34 }, { 635, 424, 51, 34 },
                          { 697, 424, 23, 34 } })
        {
            int darkest = 255;
            for (auto c : pixelsOf (image, box))
                darkest = std::min (darkest, luma (c));
            EXPECT_NEAR (darkest, row.darkestNote, 2) << box.toString();
        }

        // The chord strip's frame lies just outside the strip (89, 383, 176, 73).
        for (auto [x, y] : { std::pair { 88, 420 }, { 265, 420 }, { 150, 382 }, { 150, 456 } })
            EXPECT_NEAR (at (x, y), row.stripFrame, 1) << x << ", " << y;
        EXPECT_EQ (at (150, 381), 255);
        if (row.extras)
        {
            EXPECT_NE (at (150, 383), row.stripFrame) << "the strip's own zones begin inside the frame";
        }
    }
}
