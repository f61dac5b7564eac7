// The editor's controls acting on the engine, the result labels and animation, the two mode
// halves and the tempo slider's follow.

#include "UiTestSupport.h"
#include "support/ProcessorHarness.h"
#include "ui/displays/MovableVerticalBar.h"
#include "ui/displays/PointComponent.h"
#include "ui/editor/TempoSliderModifier.h"

using namespace uitest;

namespace
{
    using Engine = KeysteadProcessor;

    void setStatistics (Engine& engine, int n, float sum, float worst, int state)
    {
        engine.nbEvaluated = n;
        engine.sumErrorMs = sum;
        engine.maxErrorMs = worst;
        engine.worstState = state;
    }

    std::vector<juce::String> panel (KeysteadEditor& e, bool notes)
    {
        if (notes)
            return { e.notesCountLabel->getText(), e.notesAverageLabel->getText(), e.worstNoteLabel->getText() };
        return { e.chordsCountLabel->getText(), e.chordsAverageLabel->getText(), e.worstChordLabel->getText() };
    }

    // The sounds asked for: full-gain requests of one sound waiting for the next block.
    int requests (Engine& engine, int sound)
    {
        const juce::ScopedLock engineLock (engine);
        const auto& list = engine.playRequests[(size_t) sound];
        auto waitingAtFullGain = [] (auto& r) { return r.startPosition == 0 && ! r.attenuated; };
        return (int) std::count_if (list.begin(), list.end(), waitingAtFullGain);
    }

    std::pair<int, int> verdictSounds (Engine& engine)
    {
        return { requests (engine, Engine::booSound), requests (engine, Engine::goodSound) };
    }

    const std::vector<juce::String> zeros { "0", "0.00 ms", "0.00 ms" }, empty { "", "", "" };
}

TEST (EditorControls, StopShowsTheResultWithItsSoundOnlyAfterTenJudged)
{
    struct Row { const char* name; bool tempoOn; int n; float sum, worst; int state;
                 std::vector<juce::String> labels; int mode, boos, goods; };
    const Row rows[] = {
        { "nine", true, 9, 18.0f, 80.0f, 2, { "9", "2.00 ms", "80.00 ms" }, -1, 0, 0 },
        { "ten bad", true, 10, 25.0f, 31.257f, 2, { "10", "2.50 ms", "31.26 ms bad" }, 2, 1, 0 },
        { "ten middling", false, 10, 312.6f, 40.0f, 1, { "10", "31.26 ms", "40.00 ms middling" }, 1, 0, 0 },
        { "twelve good", false, 12, 12.0f, 3.0f, 0, { "12", "1.00 ms", "3.00 ms good" }, 0, 0, 1 },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        f.engine.tempoMode = row.tempoOn ? 1 : 0;
        auto& e = f.openStill();
        ProcessorHarness harness (f.engine);
        click (*e.startButton);
        harness.processBlock();  // carries out the reset
        setStatistics (f.engine, row.n, row.sum, row.worst, row.state);

        click (*e.stopButton);
        EXPECT_EQ (panel (e, row.tempoOn), row.labels);
        EXPECT_EQ (panel (e, ! row.tempoOn), empty);
        EXPECT_EQ (e.resultLabel->mode.load(), row.mode);
        EXPECT_EQ (verdictSounds (f.engine), std::make_pair (row.boos, row.goods));
        EXPECT_FALSE (f.engine.isRunning.load());

        // STOP does not reset: a second click repeats the result and its sound.
        click (*e.stopButton);
        EXPECT_EQ (verdictSounds (f.engine), std::make_pair (2 * row.boos, 2 * row.goods));
    }
}

TEST (EditorControls, ResettingControlsShowZerosBeforeAnyAudioBlock)
{
    // No audio block runs in this test: the engine's reset waits, and the labels must not show
    // the numbers from before it all the same.
    struct Row { const char* name; bool tempoOn; std::function<void (KeysteadEditor&)> act; bool tempoOnAfter; };
    const Row rows[] = {
        { "start", true, [] (KeysteadEditor& e) { click (*e.startButton); }, true },
        { "note value", true, [] (KeysteadEditor& e) { click (*e.eighthNoteButton); }, true },
        { "tempo", true, [] (KeysteadEditor& e) { e.tempoSlider->setValue (90, juce::sendNotificationSync); }, true },
        { "metronome", true, [] (KeysteadEditor& e) { click (*e.metronomeButton); }, true },
        { "mode off", true, [] (KeysteadEditor& e) { click (*e.tempoOffButton); }, false },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        f.engine.tempoMode = row.tempoOn ? 1 : 0;
        auto& e = f.openStill();
        setStatistics (f.engine, 14, 70.0f, 12.0f, 2);
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
        EXPECT_EQ (requests (f.engine, Engine::booSound), 0);
    }
}

TEST (EditorControls, StartWhileRunningRestartsTheMeasurement)
{
    EditorFixture f;
    f.engine.tempoMode = 1;
    auto& e = f.openStill();
    ProcessorHarness harness (f.engine);
    click (*e.startButton);
    harness.processBlocks (60);
    ASSERT_GT (f.engine.playRequests[Engine::clickSound].size(), 1u);

    auto& strip = *e.chordDisplay;
    const int stripChildren = strip.getNumChildComponents();
    using Point = KeysteadEditor::DisplayComponent::PointComponent;
    strip.points[3].reset (new Point (juce::Colours::black, &strip.ringIndex, 3));
    strip.addAndMakeVisible (*strip.points[3]);

    click (*e.startButton);
    EXPECT_TRUE (e.startButton->getToggleState() && f.engine.isRunning.load());
    EXPECT_TRUE (std::all_of (strip.points.begin(), strip.points.end(), [] (auto& p) { return p == nullptr; }));
    EXPECT_EQ (strip.getNumChildComponents(), stripChildren);
    EXPECT_EQ (requests (f.engine, Engine::clickSound), 1);
    EXPECT_TRUE (e.instructionLabel->isVisible() && ! e.tempoOnButton->isEnabled());


    click (*e.stopButton);
    EXPECT_TRUE (f.engine.playRequests[Engine::clickSound].empty() && ! f.engine.isRunning.load());
    EXPECT_TRUE (e.tempoOnButton->isEnabled() && ! e.instructionLabel->isVisible() && e.startButton->isThreadRunning());
}

TEST (EditorControls, QuickStopAndStartKeepTheirLooks)
{
    EditorFixture f;
    auto& e = f.openStill();
    ProcessorHarness harness (f.engine);

    // START then STOP at once: the blink that START ended is restarted, not left still.
    e.ShowStoppedLook();
    ASSERT_TRUE (e.startButton->isThreadRunning());
    e.startButton->setToggleState (true, juce::sendNotificationSync);
    e.stopButton->setToggleState (true, juce::sendNotificationSync);
    EXPECT_TRUE (e.startButton->isThreadRunning() && ! e.startButton->threadShouldExit());

    // STOP with a middling result, then START before its step has been shown: the result stays
    // hidden under the running instruction, and the instruction's animation runs again.
    click (*e.startButton);
    harness.processBlock();
    setStatistics (f.engine, 10, 312.6f, 40.0f, 1);
    e.stopButton->setToggleState (true, juce::sendNotificationSync);
    e.startButton->setToggleState (true, juce::sendNotificationSync);
    pump ([] { return false; }, 300);
    EXPECT_FALSE (e.resultLabel->isVisible());
    EXPECT_TRUE (e.instructionLabel->isVisible() && e.instructionLabel->isThreadRunning());
}

TEST (EditorControls, AVerdictRightAfterAHiddenOneShows)
{
    // START hides a bad verdict during one of its waits; STOP at once with ten judged again must
    // play the new verdict, not leave it hidden while its boo plays.
    EditorFixture f;
    auto& e = f.openStill();
    ProcessorHarness harness (f.engine);
    click (*e.startButton);
    harness.processBlock();
    setStatistics (f.engine, 10, 25.0f, 31.0f, 2);
    click (*e.stopButton);
    ASSERT_TRUE (e.resultLabel->isThreadRunning());

    e.startButton->setToggleState (true, juce::sendNotificationSync);
    harness.processBlock();
    setStatistics (f.engine, 10, 25.0f, 31.0f, 2);
    e.stopButton->setToggleState (true, juce::sendNotificationSync);
    EXPECT_TRUE (e.resultLabel->isThreadRunning() && ! e.resultLabel->threadShouldExit());
    EXPECT_TRUE (pump ([&] { return e.resultLabel->isVisible(); }));
}

TEST (EditorControls, NoteValueAndTempoRescaleTheDialByTheirRatio)
{
    // The dial's bad limit is scaled by the ratio (the values are chosen clear of its bounds).
    struct Row { const char* name; double tempo; int fromNote, toNote; double sliderTo; float bad, badAfter; };
    const Row rows[] = {
        { "quarter to sixteenth", 30.0, 1, 4, 0.0, 20.0f, 80.0f },
        { "sixteenth to eighth", 40.0, 4, 2, 0.0, 70.0f, 35.0f },
        { "tempo 120 to 60", 120.0, 1, 1, 60.0, 80.0f, 40.0f },
        { "tempo beyond range to 125", 1000.0, 1, 1, 125.0, 80.0f, 40.0f },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        f.engine.tempoMode = 1;
        f.engine.tempo = row.tempo;
        f.engine.subdivisor = row.fromNote;
        f.engine.noChordMetronome = row.bad;
        f.engine.goodMetronome = row.bad / 4.0f;
        auto& e = f.openStill();
        f.engine.tempo = row.tempo;  // the editor's slider would have rounded it

        if (row.sliderTo > 0.0)
            e.tempoSlider->setValue (row.sliderTo, juce::sendNotificationSync);
        else
            click (*e.noteButtons[(size_t) row.toNote - 1]);

        EXPECT_FLOAT_EQ (f.engine.noChordMetronome.load(), row.badAfter);
        EXPECT_EQ (std::pair (f.engine.subdivisor.load(), f.engine.tempo.load()),
                   std::pair (row.toNote, row.sliderTo > 0.0 ? row.sliderTo : row.tempo));
    }
}

TEST (EditorControls, VolumesSetTheSquaredGainAndAClickPreviewKeepsTheBeat)
{
    {
        EditorFixture f;
        auto& e = f.openStill();
        e.booVolumeSlider->setValue (0.5, juce::sendNotificationSync);
        e.metronomeVolumeSlider->setValue (0.9, juce::sendNotificationSync);
        EXPECT_EQ (std::tuple (f.engine.booVolume.load(), f.engine.clickVolume.load()), std::tuple (0.25f, 0.81f));
        EXPECT_EQ (std::tuple (requests (f.engine, Engine::booSound), requests (f.engine, Engine::goodSound)),
                   std::tuple (1, 0));
    }

    struct Row { const char* name; int tempoMode; bool running; };
    const Row rows[] = { { "metronome running", 1, true }, { "stopped", 1, false }, { "chord mode", 0, true } };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        f.engine.tempoMode = row.tempoMode;
        auto& e = f.openStill();
        ProcessorHarness harness (f.engine);
        f.engine.SetIsRunning (row.running);
        harness.processBlocks (20);  // the next beat lies 24000 - 20 x 512 samples ahead
        e.metronomeVolumeSlider->setValue (0.7, juce::sendNotificationSync);

        std::vector<int> starts;
        for (const auto& r : f.engine.playRequests[Engine::clickSound])
            starts.push_back (r.startPosition);
        EXPECT_EQ (starts, (row.running && row.tempoMode != 0 ? std::vector { -10240, 0, 13760 } : std::vector { 0 }));
    }
}

TEST (EditorControls, ModeSwitchLocksAndDimsTheOtherHalf)
{
    struct Row { const char* name; bool tempoOn, metronomeOn; };
    const Row rows[] = { { "tempo, metronome on", true, true }, { "tempo, metronome off", true, false },
                         { "chords, metronome on", false, true }, { "chords, metronome off", false, false } };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        f.engine.tempoMode = row.tempoOn ? 0 : 1;  // the click below switches to the row's mode
        f.engine.metronomeMode = row.metronomeOn ? 1 : 0;
        auto& e = f.openStill();
        {
            const juce::ScopedLock engineLock (f.engine);
            f.engine.playRequests[Engine::clickSound].push_back ({ 300, false });
        }
        f.engine.goodNoMetronome = 31;  // changed since the editor was built: the bars reload
        f.engine.noChordNoMetronome = 120;

        click (row.tempoOn ? *e.tempoOnButton : *e.tempoOffButton);
        EXPECT_EQ (f.engine.tempoMode.load(), row.tempoOn ? 1 : 0);
        EXPECT_TRUE (f.engine.playRequests[Engine::clickSound].empty());
        EXPECT_EQ (e.metronomeButton->isEnabled(), row.tempoOn);
        EXPECT_EQ (e.metronomeVolumeCaption->isEnabled(), row.tempoOn && row.metronomeOn);
        EXPECT_EQ (e.tempoSlider->isEnabled() && e.sixteenthNoteButton->isEnabled(), row.tempoOn);

        auto alpha = [] (juce::Label& l) { return l.findColour (juce::Label::textColourId).getAlpha(); };
        EXPECT_EQ (std::make_pair ((int) alpha (*e.worstNoteCaption), (int) alpha (*e.chordsCountCaption)),
                   (row.tempoOn ? std::pair (0xFF, 0x77) : std::pair (0x77, 0xFF))) << "the tempo and chord halves";

        bool dial = false, strip = false, dialChildren = false, stripSelf = false;
        e.clickDisplay->getInterceptsMouseClicks (dial, dialChildren);
        e.chordDisplay->getInterceptsMouseClicks (stripSelf, strip);
        EXPECT_EQ (std::tuple (dial, dialChildren, stripSelf, strip), std::tuple (row.tempoOn, false, false, ! row.tempoOn));

        EXPECT_EQ (std::tuple (e.chordDisplay->goodBar.currentX, e.chordDisplay->noChordBar.startX,
                               e.chordDisplay->noChordBar.getX()), std::tuple (31, 120, 118));
        EXPECT_EQ (std::pair (e.notesCountLabel->isVisible(), e.worstChordLabel->isVisible()),
                   std::pair (row.tempoOn, ! row.tempoOn));

        // The metronome switch follows the caption rule too, and switches the follow.
        e.metronomeButton->setToggleState (! row.metronomeOn, juce::sendNotificationSync);
        EXPECT_EQ (f.engine.metronomeMode.load(), row.metronomeOn ? 0 : 1);
        EXPECT_EQ (e.metronomeVolumeCaption->isEnabled(), row.tempoOn && ! row.metronomeOn);
    }
}

TEST (EditorControls, TempoFollowShowsTheRoundedTempoAndTheDialKeepsItsMilliseconds)
{
    EditorFixture f;
    f.engine.tempoMode = 1;
    auto& e = f.openStill();
    setStatistics (f.engine, 4, 8.0f, 3.0f, 1);
    f.engine.tempo = 126.4;  // the engine's follow has set it already

    (new TempoSliderModifier (&e, 126.4, 120.0))->triggerAsyncUpdate();
    ASSERT_TRUE (pump ([&] { return e.tempoSlider->getValue() != 120.0; }));
    EXPECT_EQ (e.tempoSlider->getValue(), 126.0);
    EXPECT_FLOAT_EQ (f.engine.noChordMetronome.load(), 60.0f * 1.0533333f);
    EXPECT_FLOAT_EQ (f.engine.goodMetronome.load(), 30.0f * 1.0533333f);
    EXPECT_EQ (f.engine.tempo.load(), 126.4);
    EXPECT_FALSE (f.engine.IsResetPending());
    EXPECT_EQ (f.engine.nbEvaluated.load(), 4);

    // One still queued when the editor goes finds it gone.
    (new TempoSliderModifier (&e, 100.0, 126.4))->triggerAsyncUpdate();
    f.close();
    pump ([] { return false; }, 50);
}
