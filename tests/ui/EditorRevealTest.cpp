// The reveal, driven step by step and run by its own thread, and what paint draws at each stage.

#include "EditorTestSupport.h"

using namespace uitest;

TEST (EditorReveal, TitleBlinksThenTheControlsAppearWhileThePictureFades)
{
    EditorFixture f;
    auto& e = f.openStill();

    struct Row { int step; float fade; const char* title; bool controlsShown; };
    const Row rows[] = {
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
        EXPECT_TRUE (e.titleLabel->isVisible());
        EXPECT_EQ (e.titleLabel->getText(), row.title);
        EXPECT_EQ (e.stopButton->isVisible(), row.controlsShown);
        EXPECT_EQ (e.tempoSlider->isVisible(), row.controlsShown);
    }
}

TEST (EditorReveal, ControlsStepGivesTheStoppedLookOrKeepsTheRunningOne)
{
    EditorFixture f;
    auto& e = f.openStill();
    for (int step = 1; step <= 8; ++step)
        revealStep (e, step);

    // Stopped: every child shown but the instruction, the mode switch free, START blinking.
    for (auto* child : e.getChildren())
        EXPECT_EQ (child->isVisible(), child != e.instructionLabel.get()) << child->getName();
    EXPECT_TRUE (e.tempoOnButton->isEnabled() && e.tempoOffButton->isEnabled());
    EXPECT_TRUE (e.startButton->isThreadRunning());
    EXPECT_FALSE (e.instructionLabel->isThreadRunning());

    // START clicked during the reveal: the remaining steps keep the running look.
    e.startButton->setToggleState (true, juce::dontSendNotification);
    ASSERT_FALSE (e.stopButton->getToggleState());
    for (int step = 9; step <= 16; ++step)
    {
        SCOPED_TRACE ("step " + std::to_string (step));
        revealStep (e, step);
        EXPECT_TRUE (e.instructionLabel->isVisible() && e.instructionLabel->isThreadRunning());
        EXPECT_FALSE (e.resultLabel->isVisible());
        EXPECT_TRUE (e.startButton->threadShouldExit() || ! e.startButton->isThreadRunning());
        EXPECT_FALSE (e.tempoOnButton->isEnabled() || e.tempoOffButton->isEnabled());
    }
    EXPECT_TRUE (pump ([&] { return ! e.startButton->isThreadRunning(); }));
}

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
    EXPECT_EQ (std::tuple (e.backgroundFade, e.titleLabel->getText()), std::tuple (0.35f, juce::String ("KEYSTEAD?")));
    EXPECT_TRUE (e.startButton->isThreadRunning());
    for (auto* child : e.getChildren())
        EXPECT_EQ (child->isVisible(), child != e.instructionLabel.get()) << child->getName();
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
        const auto image = e.createComponentSnapshot (e.getLocalBounds(), false);
        EXPECT_NEAR (luma (image.getPixelAt (400, 100)), shown, 1) << "step " << step;
    }
}

TEST (EditorPaint, FramesNotePicturesAndStripFrameFromTheControlsStepByMode)
{
    PlainBackground white (juce::Colours::white);
    constexpr int framed = 153;   // 0x66 black over white

    struct Row { const char* name; int tempoMode, step; bool extras; int darkestNote, stripFrame; };
    const Row rows[] = {
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
        const auto image = e.createComponentSnapshot (e.getLocalBounds(), false);
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
