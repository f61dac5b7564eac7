#include <csignal>
#include <functional>
#include <optional>

#include "tests/app/AppTestSupport.h"
#include "app/MainComponent.h"
#include "app/MidiInFilterComponent.h"
#include "tests/ui/UiTestSupport.h"

namespace
{
    using MainWindow = AppTest;

    // Counts quit requests instead of ending the test's message loop.
    struct QuitCountingApplication : KeysteadApplication
    {
        void systemRequestedQuit() override { ++quitRequests; }
        int quitRequests = 0;
    };
}

TEST_F (MainWindow, OnlyTheEditorsWindowIsShownAndItsKeysMenuAndSecondaryWindowsWorkAsAUserMeetsThem)
{
    auto app = start<QuitCountingApplication>();
    auto& window = *app->mainWindow;
    auto& filterWindow = window.midiInFilterWindow;
    auto* content = dynamic_cast<MainComponent*> (window.getContentComponent());
    auto* keys = app->getKeyMappings();
    ASSERT_TRUE (content != nullptr && content->editor != nullptr);

    // The secondary windows stay hidden; the editor fills the window below the menu bar.
    EXPECT_TRUE (window.isVisible() && ! window.audioSettingsWindow.isVisible() && ! filterWindow.isVisible());
    const auto centre = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();
    EXPECT_EQ (window.getBounds(), juce::Rectangle<int> (734, 588).withCentre (centre));
    EXPECT_EQ (content->editor->getBounds() + content->getPosition(), juce::Rectangle<int> (0, 24, 734, 564));
    EXPECT_EQ (app->processor->getActiveEditor(), content->editor.get());

    // The keys and the menu reach the commands; an open window is only raised.
    EXPECT_TRUE (keys->keyPressed (juce::KeyPress ('m', juce::ModifierKeys::ctrlModifier, 0), &window));
    EXPECT_TRUE (filterWindow.isVisible());
    filterWindow.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    // The focus comes back from the X server later; until then the commands' target is looked
    // for from the hidden filter window.
    window.toFront (true);
    ASSERT_TRUE (uitest::pump ([&] { return window.hasKeyboardFocus (true); }));
    EXPECT_TRUE (keys->keyPressed (juce::KeyPress (',', juce::ModifierKeys::ctrlModifier, 0), &window));
    EXPECT_TRUE (window.audioSettingsWindow.isVisible());
    const auto settingsShot = window.audioSettingsWindow.createComponentSnapshot ({ 500, 450 });
    EXPECT_EQ (settingsShot.getPixelAt (250, 440), juce::Colour (0xffff0000)) << "the red ground below the controls";

    const auto* panel = filterWindow.getContentComponent();
    EXPECT_TRUE (window.perform (2) && window.perform (2) && filterWindow.isVisible());
    EXPECT_EQ (filterWindow.getContentComponent(), panel);

    juce::StringArray names;
    for (int note : { 0, 23, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 127 })
        names.add (MidiInFilterComponent::NoteName (note));
    EXPECT_EQ (names.joinIntoString (" "), "C-2 B-1 C3 C#3 D3 Eb3 E3 F3 F#3 G3 Ab3 A3 Bb3 B3 G8");

    // Plain Escape (a mouse button held down is not a modifier) and the close buttons hide the secondary
    // windows; "Exit" and closing the main window quit.
    using Keys = juce::ModifierKeys;
    for (auto* secondary : std::initializer_list<juce::DocumentWindow*> { &window.audioSettingsWindow, &filterWindow })
    {
        for (auto modifier : { Keys::shiftModifier, Keys::ctrlModifier, Keys::altModifier, Keys::leftButtonModifier })
            EXPECT_EQ (secondary->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, modifier, 0)),
                       modifier == Keys::leftButtonModifier);
        EXPECT_FALSE (secondary->isVisible());
        secondary->setVisible (true);
        secondary->closeButtonPressed();
        EXPECT_FALSE (secondary->isVisible());
    }

    // A window made larger than the editor shows its light grey ground beside it.
    window.setSize (800, 650);
    EXPECT_EQ (window.createComponentSnapshot ({ 800, 650 }).getPixelAt (780, 630), juce::Colours::lightgrey);
    window.menuItemSelected (4, 0);
    window.menuItemSelected (3, 0);
    window.closeButtonPressed();
    EXPECT_EQ (app->quitRequests, 2);
}

TEST_F (MainWindow, ShutDownCutsTheEditorLinkAndWritesTheSettingsBeforeTheWindowsGoAndThePlayerAndEngineAfter)
{
    auto app = start();
    auto* raw = app.get();

    // When the filter window, the first of the windows' parts, goes: no editor, settings written,
    // player and engine still there.
    std::optional<std::tuple<juce::AudioProcessorEditor*, bool, bool, bool>> then;
    struct : juce::ComponentListener
    {
        std::function<void()> onDeleted;
        void componentBeingDeleted (juce::Component&) override { onDeleted(); }
    } watcher;
    watcher.onDeleted = [&]
    {
        then = std::tuple (raw->processor->getActiveEditor(), settingsFile().exists(), raw->player != nullptr,
                           raw->processor != nullptr);
    };
    raw->mainWindow->midiInFilterWindow.addComponentListener (&watcher);
    app = nullptr;
    EXPECT_EQ (then, std::tuple (nullptr, true, true, true));
}

TEST_F (MainWindow, TerminationSignalsAskForTheSameQuitOnTheMessageThreadAndTheOldHandlersComeBack)
{
    // A handler of the caller's own (an ignored signal would stay ignored).
    struct sigaction own {}, before {}, after {};
    own.sa_handler = [] (int) {};
    sigaction (SIGHUP, &own, &before);
    {
        auto app = start<QuitCountingApplication>();
        // Until the message loop has come round, when no value can have changed, a signal would
        // end the process at once; messages are handled in order.
        bool loopCameRound = false;
        juce::MessageManager::callAsync ([&] { loopCameRound = true; });
        uitest::pump ([&] { return loopCameRound; });

        raise (SIGTERM);
        EXPECT_EQ (app->quitRequests, 0) << "nothing happens inside the signal handler";
        uitest::pump ([&] { return app->quitRequests == 1; });
        raise (SIGHUP);
        raise (SIGTERM);
        uitest::pump ([&] { return app->quitRequests == 2; });
        uitest::pump ([&] { return app->quitRequests == 3; }, 200);
        EXPECT_EQ (app->quitRequests, 2) << "signals before the loop came round are one request";
    }
    sigaction (SIGHUP, &before, &after);
    EXPECT_EQ (after.sa_handler, own.sa_handler);
}

TEST (MidiInFilterPanel, TheRangeSlidersLowerThumbDraggedSetsTheLowestNote)
{
    KeysteadProcessor engine;
    MidiInFilterComponent panel (&engine);
    auto& slider = *panel.rangeSlider;
    panel.rangeToggle->setToggleState (true, juce::sendNotificationSync);
    const juce::Point<float> from (slider.getPositionOfValue (0.0), 12.0f), to (slider.getPositionOfValue (40.0), 12.0f);
    slider.mouseDown (uitest::mouseAt (slider, from));
    slider.mouseDrag (uitest::mouseAt (slider, to, from));
    uitest::pump ([&] { return engine.lowestNote.load() != 0; });  // the slider's change message
    EXPECT_EQ (std::tuple (engine.lowestNote.load(), engine.highestNote.load(), panel.lowNoteLabel->getText()),
               std::tuple (40, 127, juce::String ("E1")));
}
