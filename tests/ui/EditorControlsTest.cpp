// The editor's controls acting on the engine, the result labels and animation, the two mode
// halves and the tempo slider's follow.

#include "UiTestSupport.h"
#include "support/ProcessorHarness.h"
#include "ui/displays/MovableVerticalBar.h"
#include "ui/editor/TempoSliderModifier.h"

using namespace uitest;
using Engine = KeysteadProcessor;
using Texts = std::vector<juce::String>;

namespace
{
    const Texts empty { "", "", "" };

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

TEST (EditorControls, NoteValueAndTempoRescaleTheDialByTheirRatio)
{
    // Both limits are scaled by the ratio; the bad one stays within 89.9 degrees, the good one at
    // least the gap (25 ms in degrees: 18 at 30 bpm in sixteenths) from zero and below the bad one.
    struct Row { const char* name; double tempo; int fromNote, toNote; double sliderTo; float good, bad, goodAfter,
                 badAfter; };
    const Row rows[] = {
        { "sixteenth to eighth", 40.0, 4, 2, 0.0, 17.5f, 70.0f, 12.0f, 35.0f },
        { "tempo 120 to 60", 120.0, 1, 1, 60.0, 20.0f, 80.0f, 10.0f, 40.0f },
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

TEST (EditorControls, ModeSwitchLocksTheOtherHalfAndReloadsTheBars)
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
