// The editor's controls acting on the engine, the result labels and animation, the two mode
// halves and the tempo slider's follow.

#include "UiTestSupport.h"
#include "support/ProcessorHarness.h"
#include "ui/displays/MovableVerticalBar.h"
#include "ui/displays/PointComponent.h"
#include "ui/editor/TempoSliderModifier.h"

using namespace uitest;
using Engine = KeysteadProcessor;
using Texts = std::vector<juce::String>;

namespace
{
    const Texts empty { "", "", "" }, zeros { "0", "0.00 ms", "0.00 ms" };

    void judge (Engine& engine, int n, float sum, float worst, int state)
    {
        engine.nbEvaluated = n;
        engine.sumErrorMs = sum;
        engine.maxErrorMs = worst;
        engine.worstState = state;
    }

    Texts panel (KeysteadEditor& e, bool notes)
    {
        if (notes)
            return { e.notesCountLabel->getText(), e.notesAverageLabel->getText(), e.worstNoteLabel->getText() };
        return { e.chordsCountLabel->getText(), e.chordsAverageLabel->getText(), e.worstChordLabel->getText() };
    }

    // Full-gain boo and good requests waiting for the next block.
    std::pair<int, int> verdictSounds (Engine& engine)
    {
        const juce::ScopedLock engineLock (engine);
        const auto count = [&] (int sound)
        {
            const auto& list = engine.playRequests[(size_t) sound];
            return (int) std::count_if (list.begin(), list.end(),
                                        [] (auto& r) { return r.startPosition == 0 && ! r.attenuated; });
        };
        return { count (Engine::booSound), count (Engine::goodSound) };
    }

    KeysteadEditor& openIn (EditorFixture& f, bool tempoOn)
    {
        f.engine.tempoMode = tempoOn ? 1 : 0;
        return f.openStill();
    }

    // STARTed, with the engine's reset carried out by one block.
    struct Session
    {
        EditorFixture f;
        KeysteadEditor& e;
        ProcessorHarness harness { f.engine };
        explicit Session (bool tempoOn = false) : e (openIn (f, tempoOn))
        {
            click (*e.startButton);
            harness.processBlock();
        }
    };
}

TEST (EditorControls, StopShowsTheResultWithItsSoundOnlyAfterTenJudged)
{
    struct Row { const char* name; bool tempoOn; int n; float sum, worst; int state; Texts labels;
                 int mode, boos, goods; };
    const Row rows[] = {
        { "nine", true, 9, 18.0f, 80.0f, 2, { "9", "2.00 ms", "80.00 ms" }, -1, 0, 0 },
        { "ten bad", true, 10, 25.0f, 31.257f, 2, { "10", "2.50 ms", "31.26 ms bad" }, 2, 1, 0 },
        { "ten middling", false, 10, 312.6f, 40.0f, 1, { "10", "31.26 ms", "40.00 ms middling" }, 1, 0, 0 },
        { "twelve good", false, 12, 12.0f, 3.0f, 0, { "12", "1.00 ms", "3.00 ms good" }, 0, 0, 1 },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        Session s (row.tempoOn);
        judge (s.f.engine, row.n, row.sum, row.worst, row.state);
        for (int stops = 1; stops <= 2; ++stops)  // STOP does not reset: a second repeats the result and its sound
        {
            click (*s.e.stopButton);
            EXPECT_EQ (panel (s.e, row.tempoOn), row.labels);
            EXPECT_EQ (panel (s.e, ! row.tempoOn), empty);
            EXPECT_EQ (s.e.resultLabel->mode.load(), row.mode);
            EXPECT_EQ (verdictSounds (s.f.engine), std::pair (stops * row.boos, stops * row.goods));
            EXPECT_FALSE (s.f.engine.isRunning.load());
        }
    }
}

TEST (EditorControls, AVerdictRightAfterAHiddenOneShowsAndTheBlinkRestarts)
{
    // START hides a bad verdict and ends the blink; STOP at once with ten judged again restarts both.
    Session s;
    judge (s.f.engine, 10, 25.0f, 31.0f, 2);
    click (*s.e.stopButton);

    s.e.startButton->setToggleState (true, juce::sendNotificationSync);
    s.harness.processBlock();
    judge (s.f.engine, 10, 25.0f, 31.0f, 2);
    s.e.stopButton->setToggleState (true, juce::sendNotificationSync);
    for (juce::Thread* animation : { (juce::Thread*) s.e.resultLabel.get(), (juce::Thread*) s.e.startButton.get() })
        EXPECT_TRUE (animation->isThreadRunning() && ! animation->threadShouldExit());
    EXPECT_TRUE (pump ([&] { return s.e.resultLabel->isVisible(); }));
}

TEST (EditorControls, ResettingControlsShowZerosBeforeAnyAudioBlock)
{
    // No audio block runs in this test: the engine's reset waits, and the labels must not show
    // the numbers from before it all the same.
    struct Row { const char* name; bool tempoOn; std::function<void (KeysteadEditor&)> act; bool tempoOnAfter; };
    const Row rows[] = {
        { "start", true, [] (KeysteadEditor& e) { click (*e.startButton); }, true },
        { "note value", true, [] (KeysteadEditor& e) { click (*e.eighthNoteButton); }, true },
        { "same note value", true, [] (KeysteadEditor& e) { click (*e.quarterNoteButton); }, true },
        { "tempo", true, [] (KeysteadEditor& e) { e.tempoSlider->setValue (90, juce::sendNotificationSync); }, true },
        { "metronome", true, [] (KeysteadEditor& e) { click (*e.metronomeButton); }, true },
        { "mode off", true, [] (KeysteadEditor& e) { click (*e.tempoOffButton); }, false },
        { "mode on", false, [] (KeysteadEditor& e) { click (*e.tempoOnButton); }, true },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        auto& e = openIn (f, row.tempoOn);
        judge (f.engine, 14, 70.0f, 12.0f, 2);
        e.DisplayWorstAndAverage();
        ASSERT_EQ (panel (e, row.tempoOn)[0], "14");  // stopped, so the result showed too
        e.resultLabel->mode = -1;
        f.engine.playRequests[Engine::booSound].clear();

        row.act (e);
        e.DisplayWorstAndAverage();  // as a display update arriving before the next block would
        EXPECT_TRUE (f.engine.IsResetPending());
        EXPECT_EQ (panel (e, row.tempoOnAfter), zeros);
        EXPECT_EQ (panel (e, ! row.tempoOnAfter), empty);
        EXPECT_EQ (e.resultLabel->mode.load(), -1);
        EXPECT_EQ (verdictSounds (f.engine).first, 0);
    }
}

TEST (EditorControls, StartWhileRunningRestartsTheMeasurement)
{
    Session s (true);
    auto& engine = s.f.engine;
    s.harness.processBlocks (60);
    ASSERT_GT (engine.playRequests[Engine::clickSound].size(), 1u);

    judge (engine, 5, 20.0f, 9.0f, 1);
    engine.s1List.values.assign (3, Engine::S1Float (0.25f, 1, 0.5f));
    engine.s1List.reference = Engine::S1Float (0.25f, 1, 0.5f);
    auto& strip = *s.e.chordDisplay;
    const int stripChildren = strip.getNumChildComponents();
    using Point = KeysteadEditor::DisplayComponent::PointComponent;
    strip.points[3].reset (new Point (juce::Colours::black, &strip.ringIndex, 3));
    strip.addAndMakeVisible (*strip.points[3]);

    click (*s.e.startButton);
    EXPECT_TRUE (s.e.startButton->getToggleState() && engine.isRunning.load());
    EXPECT_TRUE (std::all_of (strip.points.begin(), strip.points.end(), [] (auto& p) { return p == nullptr; }));
    EXPECT_EQ (strip.getNumChildComponents(), stripChildren);
    ASSERT_EQ (engine.playRequests[Engine::clickSound].size(), 1u);
    EXPECT_EQ (engine.playRequests[Engine::clickSound][0].startPosition, 0);
    EXPECT_TRUE (s.e.instructionLabel->isVisible() && ! s.e.resultLabel->isVisible());
    EXPECT_FALSE (s.e.tempoOnButton->isEnabled() || s.e.tempoOffButton->isEnabled());

    s.harness.processBlock();
    EXPECT_EQ (std::tuple (engine.nbEvaluated.load(), engine.sumErrorMs.load(), engine.worstState.load()),
               std::tuple (0, 0.0f, 0));
    EXPECT_TRUE (engine.s1List.values.empty());

    click (*s.e.stopButton);
    EXPECT_TRUE (engine.playRequests[Engine::clickSound].empty() && ! engine.isRunning.load());
    EXPECT_TRUE (s.e.tempoOnButton->isEnabled() && s.e.tempoOffButton->isEnabled()
                 && ! s.e.instructionLabel->isVisible());
    EXPECT_TRUE (s.e.startButton->isThreadRunning());
}

TEST (EditorControls, StartRightAfterAStopKeepsTheRunningLook)
{
    // STOP with a middling result, then START before its step has been shown: the result stays
    // hidden under the running instruction, and the instruction's animation runs again.
    Session s;
    judge (s.f.engine, 10, 312.6f, 40.0f, 1);
    s.e.stopButton->setToggleState (true, juce::sendNotificationSync);
    s.e.startButton->setToggleState (true, juce::sendNotificationSync);
    pump ([] { return false; }, 300);
    EXPECT_FALSE (s.e.resultLabel->isVisible());
    EXPECT_TRUE (s.e.instructionLabel->isVisible() && s.e.instructionLabel->isThreadRunning());
}

TEST (EditorControls, NoteValueAndTempoRescaleTheDialByTheirRatio)
{
    // Both limits are scaled by the ratio; the bad one stays within 89.9 degrees, the good one at
    // least the gap (25 ms in degrees: 18 at 30 bpm in sixteenths) from zero and below the bad one.
    struct Row { const char* name; double tempo; int fromNote, toNote; double sliderTo; float good, bad, goodAfter,
                 badAfter; };
    const Row rows[] = {
        { "same note value", 60.0, 2, 2, 0.0, 20.0f, 60.0f, 20.0f, 60.0f },
        { "sixteenth to eighth", 40.0, 4, 2, 0.0, 17.5f, 70.0f, 12.0f, 35.0f },
        { "tempo 120 to 60", 120.0, 1, 1, 60.0, 20.0f, 80.0f, 10.0f, 40.0f },
        { "fractional tempo to 100", 125.0, 1, 1, 100.0, 25.0f, 50.0f, 20.0f, 40.0f },
        { "tempo beyond range to 125", 1000.0, 1, 1, 125.0, 40.0f, 80.0f, 20.0f, 40.0f },
        { "quarter to sixteenth, good cut back", 30.0, 1, 4, 0.0, 25.0f, 30.0f, 71.9f, 89.9f },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        f.engine.subdivisor = row.fromNote;
        f.engine.noChordMetronome = row.bad;
        f.engine.goodMetronome = row.good;
        auto& e = openIn (f, true);
        f.engine.tempo = row.tempo;  // after the editor's slider would have rounded it
        if (row.sliderTo > 0.0)
            e.tempoSlider->setValue (row.sliderTo, juce::sendNotificationSync);
        else
            click (*e.noteButtons[(size_t) row.toNote - 1]);

        EXPECT_FLOAT_EQ (f.engine.goodMetronome.load(), row.goodAfter);
        EXPECT_FLOAT_EQ (f.engine.noChordMetronome.load(), row.badAfter);
        EXPECT_EQ (f.engine.subdivisor.load(), row.toNote);
        EXPECT_EQ (f.engine.tempo.load(), row.sliderTo > 0.0 ? row.sliderTo : row.tempo);
        EXPECT_TRUE (f.engine.IsResetPending());
    }
}

TEST (EditorControls, VolumesSetTheSquaredGainAndAClickPreviewKeepsTheBeat)
{
    struct Row { const char* name; bool tempoOn, running; std::vector<int> clicks; };
    const Row rows[] = { { "metronome running", true, true, { -10240, 0, 13760 } }, { "stopped", true, false, { 0 } },
                         { "chord mode", false, true, { 0 } } };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        auto& e = openIn (f, row.tempoOn);
        ProcessorHarness harness (f.engine);
        f.engine.SetIsRunning (row.running);
        harness.processBlocks (20);  // the next beat lies 24000 - 20 x 512 samples ahead
        e.metronomeVolumeSlider->setValue (0.9, juce::sendNotificationSync);
        e.booVolumeSlider->setValue (0.5, juce::sendNotificationSync);
        std::vector<int> starts;
        for (const auto& r : f.engine.playRequests[Engine::clickSound])
            starts.push_back (r.startPosition);
        EXPECT_EQ (starts, row.clicks);
        EXPECT_EQ (std::pair (f.engine.booVolume.load(), f.engine.clickVolume.load()), std::pair (0.25f, 0.81f));
        EXPECT_EQ (verdictSounds (f.engine), std::pair (1, 0));
    }
}

TEST (EditorControls, ModeSwitchLocksAndDimsTheOtherHalfAndReloadsTheBars)
{
    for (const bool tempoOn : { true, false })
        for (const bool metronomeOn : { true, false })
        {
            SCOPED_TRACE (std::string (tempoOn ? "tempo" : "chords") + (metronomeOn ? ", metronome" : ""));
            EditorFixture f;
            f.engine.metronomeMode = metronomeOn ? 1 : 0;
            auto& e = openIn (f, ! tempoOn);  // the click below switches to this pass's mode
            f.engine.playRequests[Engine::clickSound].push_back ({ 300, false });
            f.engine.goodNoMetronome = 31;  // changed since the editor was built: the bars reload
            f.engine.noChordNoMetronome = 120;

            click (tempoOn ? *e.tempoOnButton : *e.tempoOffButton);
            EXPECT_EQ (std::pair (f.engine.tempoMode.load(), f.engine.playRequests[Engine::clickSound].size()),
                       std::pair (tempoOn ? 1 : 0, (size_t) 0));
            EXPECT_EQ (std::tuple (e.metronomeButton->isEnabled(), e.metronomeVolumeCaption->isEnabled(),
                                   e.tempoSlider->isEnabled() && e.sixteenthNoteButton->isEnabled()),
                       std::tuple (tempoOn, tempoOn && metronomeOn, tempoOn));
            EXPECT_EQ (std::tuple (e.chordDisplay->goodBar.currentX, e.chordDisplay->noChordBar.startX,
                                   e.chordDisplay->noChordBar.getX()), std::tuple (31, 120, 118));
            EXPECT_EQ (std::pair (e.tripletMarkLabel->isEnabled(), e.tempoSliderLabel->isEnabled()),
                       std::pair (tempoOn, tempoOn));

            // The other half's labels dimmed.
            const juce::uint8 tempoAlpha = tempoOn ? 0xFF : 0x77, chordAlpha = tempoOn ? 0x77 : 0xFF;
            const auto alpha = [] (juce::Label& l) { return l.findColour (juce::Label::textColourId).getAlpha(); };
            for (auto* l : { &e.clickDisplay->goodLabel, e.worstNoteCaption.get(), e.tempoSliderLabel.get() })
                EXPECT_EQ (alpha (*l), tempoAlpha);
            for (auto* l : { &e.chordDisplay->noChordMsLabel, e.scaleMaxLabel.get(), e.chordsCountCaption.get() })
                EXPECT_EQ (alpha (*l), chordAlpha);

            // Only the active half takes the mouse: the dial itself, or the strip's bars.
            bool self = false, children = false;
            e.clickDisplay->getInterceptsMouseClicks (self, children);
            EXPECT_EQ (std::pair (self, children), std::pair (tempoOn, false));
            e.chordDisplay->getInterceptsMouseClicks (self, children);
            EXPECT_EQ (std::pair (self, children), std::pair (false, ! tempoOn));

            EXPECT_EQ (std::pair (e.notesCountLabel->isVisible(), e.worstChordLabel->isVisible()),
                       std::pair (tempoOn, ! tempoOn));
            EXPECT_EQ (panel (e, ! tempoOn), empty);

            // The metronome switch follows the caption rule too, and switches the follow.
            e.metronomeButton->setToggleState (! metronomeOn, juce::sendNotificationSync);
            EXPECT_EQ (std::pair (f.engine.metronomeMode.load(), e.metronomeVolumeCaption->isEnabled()),
                       std::pair (metronomeOn ? 0 : 1, tempoOn && ! metronomeOn));
        }
}

TEST (EditorControls, TempoFollowShowsTheRoundedTempoAndTheDialKeepsItsMilliseconds)
{
    EditorFixture f;
    auto& e = openIn (f, true);
    judge (f.engine, 4, 8.0f, 3.0f, 1);
    f.engine.tempo = 126.4;  // the engine's follow has set it already

    (new TempoSliderModifier (&e, 126.4, 120.0))->triggerAsyncUpdate();
    ASSERT_TRUE (pump ([&] { return e.tempoSlider->getValue() != 120.0; }));
    EXPECT_EQ (e.tempoSlider->getValue(), 126.0);
    EXPECT_FLOAT_EQ (f.engine.noChordMetronome.load(), 60.0f * 1.0533333f);
    EXPECT_FLOAT_EQ (f.engine.goodMetronome.load(), 30.0f * 1.0533333f);
    EXPECT_EQ (std::tuple (f.engine.tempo.load(), f.engine.IsResetPending(), f.engine.nbEvaluated.load()),
               std::tuple (126.4, false, 4));
}

TEST (EditorControls, ATempoFollowStillQueuedWhenTheEditorGoesFindsItGone)
{
    EditorFixture f;
    auto& e = openIn (f, true);
    (new TempoSliderModifier (&e, 100.0, 126.4))->triggerAsyncUpdate();
    f.close();
    pump ([] { return false; }, 50);
}

TEST (EditorControls, NoteOnsDuringAFlashDoNotRestartIt)
{
    // Note-ons keep coming while the light flashes: the flash still runs down to rest, and the
    // first note-on after it has ended starts a new one. A level no flash sets tells when one began.
    EditorFixture f;
    auto& e = f.openStill();
    auto& light = *e.midiInLight;
    const auto noteOn = [&] { e.setControlHighlight ({ 0, false, juce::Colours::white }); };
    constexpr int unlit = -1;
    light.level = unlit;
    noteOn();
    ASSERT_TRUE (pump ([&] { return light.level.load() != unlit; }));
    EXPECT_TRUE (pump ([&]
    {
        if (light.level.load() == 0 || ! light.isThreadRunning())
            return true;
        noteOn();
        return false;
    }));
    ASSERT_TRUE (pump ([&] { return ! light.isThreadRunning(); }));
    light.level = unlit;
    noteOn();
    EXPECT_TRUE (pump ([&] { return light.level.load() != unlit; }));
}
