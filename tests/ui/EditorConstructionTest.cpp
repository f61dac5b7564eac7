// The editor as built from the engine's values, and its teardown while widget threads run.

#include "UiTestSupport.h"

using namespace uitest;

TEST (EditorConstruction, ShowsTheEnginesValuesOnItsControls)
{
    const struct { const char* name; int tempoMode, metronomeMode; double tempo; int subdivisor; float click, boo;
                   int noteOn; double tempoShown, clickShown, booShown; } rows[] = {
        { "quarter in tempo mode", 1, 1, 120.0, 1, 1.0f, 1.0f, 0, 120, 1.0, 1.0 },
        { "volumes show their roots", 0, 1, 120.0, 2, 0.25f, 1.0f, 1, 120, 0.5, 1.0 },
        { "tempo arrives truncated", 1, 0, 119.9, 4, 0.0f, 0.0f, 3, 119, 0.0, 0.0 },
    };
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        EditorFixture f;
        auto& engine = f.engine;
        std::tie (engine.tempoMode, engine.metronomeMode, engine.tempo, engine.subdivisor) =
            std::tuple (row.tempoMode, row.metronomeMode, row.tempo, row.subdivisor);
        std::tie (engine.clickVolume, engine.booVolume) = std::tuple (row.click, row.boo);
        auto& e = f.open();
        for (int k = 0; k < 4; ++k)
            EXPECT_EQ (e.noteButtons[(size_t) k]->getToggleState(), k == row.noteOn) << "note toggle " << k;
        EXPECT_EQ (std::tuple (e.tempoOnButton->getToggleState(), e.tempoOffButton->getToggleState(),
                               e.metronomeButton->getToggleState(), e.metronomeVolumeCaption->isEnabled(),
                               e.stopButton->getToggleState(), e.startButton->getToggleState()),
                   std::tuple (row.tempoMode != 0, row.tempoMode == 0, row.metronomeMode != 0,
                               row.tempoMode != 0 && row.metronomeMode != 0, true, false));
        EXPECT_EQ (e.tempoSlider->getValue(), row.tempoShown);
        EXPECT_NEAR (e.metronomeVolumeSlider->getValue(), row.clickShown, 1e-6);
        EXPECT_NEAR (e.booVolumeSlider->getValue(), row.booShown, 1e-6);
    }
}

TEST (EditorConstruction, EveryWidgetThreadHasEndedBeforeTheFirstChildGoes)
{
    EditorFixture f;
    auto& e = f.openStill();
    revealStep (e, 8);   // stopped look: START blinks
    e.resultLabel->mode = KeysteadEditor::TwinklelingLabel::badMode;
    ASSERT_TRUE (e.resultLabel->startThread() && e.midiInLight->startThread() && e.startButton->isThreadRunning());

    struct Watcher : juce::ComponentListener
    {
        std::vector<juce::Thread*> threads;
        std::vector<bool> running;   // each thread's, when the first child went
        void componentBeingDeleted (juce::Component&) override
        {
            for (auto* t : threads)
                running.push_back (t->isThreadRunning());
        }
    } watcher;
    watcher.threads = { &e, e.startButton.get(), e.instructionLabel.get(), e.resultLabel.get(), e.midiInLight.get() };
    e.titleLabel->addComponentListener (&watcher);
    f.close();
    EXPECT_EQ (watcher.running, std::vector<bool> (5, false));
}
