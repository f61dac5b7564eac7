#include <optional>

#include "tests/app/AppTestSupport.h"
#include "app/MainComponent.h"
#include "app/MidiInFilterComponent.h"

namespace
{
    using MainWindow = AppTest;
    using juce::KeyPress;

    constexpr int shift = juce::ModifierKeys::shiftModifier, ctrl = juce::ModifierKeys::ctrlModifier, alt = juce::ModifierKeys::altModifier;

    // Counts quit requests instead of ending the test's message loop.
    struct QuitCountingApplication : KeysteadApplication
    {
        void systemRequestedQuit() override { ++quitRequests; }
        int quitRequests = 0;
    };
}

TEST_F (MainWindow, WindowsAreBuiltWithTitlesColoursSizesAndHiddenStates)
{
    auto app = start();
    auto& main = *app->mainWindow;
    const auto centre = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();
    // The secondary windows are centred at the smallest size a window takes (128 x 128), then resized in place.
    const auto corner = centre - juce::Point<int> (64, 64);

    const struct { juce::DocumentWindow* window; const char* title; juce::Colour colour; bool shown; juce::Rectangle<int> bounds; } rows[] = {
        { &main, "Keystead", juce::Colours::lightgrey, true, juce::Rectangle<int> (734, 588).withCentre (centre) },
        { &main.audioSettingsWindow, "", juce::Colour (0xffff0000), false, { corner.x, corner.y, 500, 450 } },
        { &main.midiInFilterWindow, "", juce::Colours::white, false, { corner.x, corner.y, 400, 250 } },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.bounds.toString());
        EXPECT_EQ (row.window->getName(), row.title);
        EXPECT_EQ (row.window->getBackgroundColour(), row.colour);
        EXPECT_EQ (row.window->isVisible(), row.shown);
        EXPECT_EQ (isShownByX (*row.window), row.shown);
        EXPECT_EQ (row.window->getBounds(), row.bounds);
    }

    // The menu bar takes the top 24 pixels, over exactly the editor's area; the engine knows its editor.
    auto* content = dynamic_cast<MainComponent*> (main.getContentComponent());
    ASSERT_TRUE (content != nullptr && content->editor != nullptr);
    EXPECT_EQ (content->getBounds(), juce::Rectangle<int> (0, 24, 734, 564));
    EXPECT_EQ (content->editor->getBounds(), juce::Rectangle<int> (734, 564));
    EXPECT_EQ (app->processor->getActiveEditor(), content->editor.get());
}

TEST_F (MainWindow, MenuKeysAndCommandsOpenTheSecondaryWindowsAndAReopenedPanelKeepsItsValues)
{
    auto app = start();
    auto& window = *app->mainWindow;
    auto& filterWindow = window.midiInFilterWindow;
    auto* panel = dynamic_cast<MidiInFilterComponent*> (filterWindow.getContentComponent());
    auto* keys = app->getKeyMappings();
    ASSERT_NE (panel, nullptr);

    // Each item as "id text [the keys shown beside it]", a separator as "-".
    juce::StringArray items;
    const auto menu = window.getMenuForIndex (0, "Menu");

    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        items.add (it.getItem().isSeparator ? "-" : juce::String (it.getItem().itemID) + " " + it.getItem().text + (it.getItem().isEnabled ? "" : " (disabled)")
                       + (it.getItem().commandManager != nullptr ? " [" + keys->getKeyPressesAssignedToCommand (it.getItem().itemID)[0].getTextDescription() + "]" : ""));

    EXPECT_EQ (items.joinIntoString (" | "), "1 Audio & MIDI Settings... [ctrl + ,] | 2 Midi In Filter... [ctrl + M] | - | 3 Exit");
    EXPECT_EQ (window.getMenuBarNames(), juce::StringArray ("Menu"));
    EXPECT_EQ (window.getMenuForIndex (1, "Other").getNumItems(), 0);

    juce::Array<juce::CommandID> commands { 7, 8, 9 };
    window.getAllCommands (commands);
    EXPECT_EQ (commands, juce::Array<juce::CommandID> (1, 2));

    // An unknown command takes its id and keeps the rest; performing it does nothing.
    juce::ApplicationCommandInfo info (0);
    info.setInfo ("kept", "kept too", "cat", 5);
    window.getCommandInfo (42, info);
    EXPECT_EQ (juce::String (info.commandID) + " " + info.shortName + " " + juce::String (info.flags) + " " + juce::String (info.defaultKeypresses.size()), "42 kept 5 0");
    EXPECT_FALSE (window.perform (42));
    EXPECT_FALSE (window.audioSettingsWindow.isVisible() || filterWindow.isVisible());

    // The default keys reach the commands from the main window.
    EXPECT_TRUE (keys->keyPressed (KeyPress ('m', ctrl, 0), &window));
    EXPECT_TRUE (filterWindow.isVisible());
    panel->rangeSlider->setMinAndMaxValues (40, 70, juce::sendNotificationSync);
    panel->channelCombo->setSelectedId (9, juce::sendNotificationSync);
    filterWindow.keyPressed (KeyPress (KeyPress::escapeKey));
    window.toFront (true);
    EXPECT_TRUE (keys->keyPressed (KeyPress (',', ctrl, 0), &window));
    EXPECT_TRUE (window.audioSettingsWindow.isVisible());

    EXPECT_TRUE (window.perform (2));
    EXPECT_TRUE (window.perform (2)) << "an open window is only raised";
    EXPECT_TRUE (filterWindow.isVisible());
    EXPECT_EQ (filterWindow.getContentComponent(), panel);
    EXPECT_EQ (juce::Point<double> (panel->rangeSlider->getMinValue(), panel->rangeSlider->getMaxValue()), juce::Point<double> (40, 70));
    EXPECT_EQ (panel->channelCombo->getSelectedId(), 9);
}

TEST_F (MainWindow, PlainEscapeAndCloseHideASecondaryWindowWhileExitAndCloseOfTheMainOneAskToQuit)
{
    auto app = start<QuitCountingApplication>();
    auto& window = *app->mainWindow;

    for (auto* secondary : std::initializer_list<juce::DocumentWindow*> { &window.audioSettingsWindow, &window.midiInFilterWindow })
    {
        secondary->setVisible (true);

        for (auto modifier : { shift, ctrl, alt })
            EXPECT_FALSE (secondary->keyPressed (KeyPress (KeyPress::escapeKey, modifier, 0)));

        EXPECT_FALSE (secondary->keyPressed (KeyPress ('x')));
        EXPECT_TRUE (secondary->isVisible());
        // A mouse button held down is not a modifier here.
        EXPECT_TRUE (secondary->keyPressed (KeyPress (KeyPress::escapeKey, juce::ModifierKeys::leftButtonModifier, 0)));
        EXPECT_FALSE (secondary->isVisible());
        secondary->setVisible (true);
        secondary->closeButtonPressed();
        EXPECT_FALSE (secondary->isVisible());
    }

    window.menuItemSelected (4, 0);
    window.menuItemSelected (3, 0);
    window.closeButtonPressed();
    EXPECT_EQ (app->quitRequests, 2) << "only \"Exit\" and the main window's close button ask";
    EXPECT_TRUE (window.isVisible()) << "the window goes only at shut-down";
}

TEST_F (MainWindow, ShutDownCutsTheEnginesEditorLinkBeforeTheWindowsGo)
{
    auto app = start();

    // Notes the engine's editor when the filter window, the first of the windows' parts, goes.
    struct Watcher : juce::ComponentListener
    {
        explicit Watcher (KeysteadProcessor& e) : engine (e) {}
        void componentBeingDeleted (juce::Component&) override { editorThen = engine.getActiveEditor(); }
        KeysteadProcessor& engine;
        std::optional<juce::AudioProcessorEditor*> editorThen;
    } watcher (*app->processor);

    ASSERT_NE (app->processor->getActiveEditor(), nullptr);
    app->mainWindow->midiInFilterWindow.addComponentListener (&watcher);
    app = nullptr;
    EXPECT_EQ (watcher.editorThen, std::optional<juce::AudioProcessorEditor*> (nullptr));
}
