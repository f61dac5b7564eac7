#include <gtest/gtest.h>

#include "tests/app/AppTestSupport.h"
#include "app/MainComponent.h"
#include "app/MidiInFilterComponent.h"
#include "tests/app/XWindowState.h"

namespace
{
    using MainWindow = ZibStandAloneApplication::MainWindow;

    /** Counts quit requests instead of ending the test's message loop. */
    class QuitCountingApplication : public KeysteadApplication
    {
    public:
        void systemRequestedQuit() override { ++quitRequests; }
        int quitRequests = 0;
    };

    /** Each item as "id text" (command items marked with a *), a separator as "-". */
    juce::String describe (const juce::PopupMenu& menu)
    {
        juce::StringArray entries;

        for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
        {
            const auto& item = it.getItem();
            entries.add (item.isSeparator ? juce::String ("-")
                                          : juce::String (item.itemID) + (item.commandManager != nullptr ? "* " : " ") + item.text
                                                + (item.isEnabled && ! item.isTicked ? "" : " (state)"));
        }

        return entries.joinIntoString (" | ");
    }

    juce::ApplicationCommandTarget::InvocationInfo invocation (int commandId)
    {
        return juce::ApplicationCommandTarget::InvocationInfo (commandId);
    }

    bool isMappedOnScreen (juce::Component& window)
    {
        auto* peer = window.getPeer();
        return peer != nullptr && isNativeWindowMapped (peer->getNativeHandle());
    }

    constexpr int titleBarButtons = juce::ComponentPeer::windowHasMinimiseButton | juce::ComponentPeer::windowHasMaximiseButton
                                  | juce::ComponentPeer::windowHasCloseButton;

    const juce::KeyPress ctrl (int key) { return juce::KeyPress (key, juce::ModifierKeys::ctrlModifier, 0); }
}

TEST (MainWindow, WindowsAreBuiltWithTitlesColoursSizesAndHiddenState)
{
    ScopedTemporaryHome home;
    RunningApplication<> running;
    auto& window = running.window();

    EXPECT_EQ (window.getName(), "Keystead");
    EXPECT_EQ (window.getBackgroundColour(), juce::Colours::lightgrey);
    EXPECT_TRUE (window.isVisible());
    EXPECT_TRUE (isMappedOnScreen (window));
    EXPECT_TRUE (window.isUsingNativeTitleBar());
    EXPECT_FALSE (window.isResizable());
    EXPECT_EQ (window.getDesktopWindowStyleFlags() & titleBarButtons, titleBarButtons);

    // 734 x 588 in all: a 24-pixel menu bar over exactly the editor's area.
    EXPECT_EQ (window.getWidth(), 734);
    EXPECT_EQ (window.getHeight(), 588);
    EXPECT_EQ (window.getMenuBarComponent()->getBounds(), juce::Rectangle<int> (0, 0, 734, 24));
    auto* content = dynamic_cast<MainComponent*> (window.getContentComponent());
    ASSERT_NE (content, nullptr);
    EXPECT_EQ (content->getBounds(), juce::Rectangle<int> (0, 24, 734, 564));
    ASSERT_NE (content->editor, nullptr);
    EXPECT_EQ (content->editor->getBounds(), juce::Rectangle<int> (0, 0, 734, 564));
    EXPECT_TRUE (content->editor->isOpaque());
    EXPECT_EQ (running.app->processor->getActiveEditor(), content->editor.get());
    EXPECT_EQ (content->GetMidiInputCallbackIfAny(), nullptr);

    const auto screenCentre = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();
    EXPECT_EQ (window.getBounds().getCentre(), screenCentre);

    auto& settings = window.audioSettingsWindow;
    EXPECT_EQ (settings.getName(), "");
    EXPECT_EQ (settings.getBackgroundColour(), juce::Colour (0xffff0000));
    EXPECT_FALSE (settings.isVisible());
    EXPECT_FALSE (isMappedOnScreen (settings));
    EXPECT_FALSE (settings.isResizable());
    // Centred at the smallest size a document window takes (128 x 128), then resized in place.
    const auto secondaryCorner = screenCentre - juce::Point<int> (64, 64);
    EXPECT_EQ (settings.getBounds(), juce::Rectangle<int> (secondaryCorner.x, secondaryCorner.y, 500, 450));
    EXPECT_NE (dynamic_cast<juce::AudioDeviceSelectorComponent*> (settings.getContentComponent()), nullptr);

    auto& filter = window.midiInFilterWindow;
    EXPECT_EQ (filter.getName(), "");
    EXPECT_EQ (filter.getBackgroundColour(), juce::Colours::white);
    EXPECT_FALSE (filter.isVisible());
    EXPECT_FALSE (isMappedOnScreen (filter));
    EXPECT_EQ (filter.getBounds(), juce::Rectangle<int> (secondaryCorner.x, secondaryCorner.y, 400, 250));
    EXPECT_NE (dynamic_cast<MidiInFilterComponent*> (filter.getContentComponent()), nullptr);

    EXPECT_EQ (filter.getDesktopWindowStyleFlags() & titleBarButtons, titleBarButtons & ~juce::ComponentPeer::windowHasMinimiseButton);
}

TEST (MainWindow, MenuHoldsTheTwoCommandsWithTheirKeysASeparatorAndExit)
{
    ScopedTemporaryHome home;
    RunningApplication<> running;
    auto& window = running.window();

    EXPECT_EQ (window.getMenuBarNames(), juce::StringArray ("Menu"));

    EXPECT_EQ (describe (window.getMenuForIndex (0, "Menu")),
               "1* Audio & MIDI Settings... | 2* Midi In Filter... | - | 3 Exit");
    EXPECT_EQ (describe (window.getMenuForIndex (1, "Other")), "");


    // A command item shows the keys that the command manager maps to it.
    auto* mappings = running.app->getKeyMappings();
    EXPECT_EQ (mappings->getKeyPressesAssignedToCommand (1)[0].getTextDescription(), "ctrl + ,");
    EXPECT_EQ (mappings->getKeyPressesAssignedToCommand (2)[0].getTextDescription(), "ctrl + M");
}

TEST (MainWindow, CommandsAnswerForTheirTwoIdsOnly)
{
    ScopedTemporaryHome home;
    RunningApplication<> running;
    auto& window = running.window();

    juce::Array<juce::CommandID> commands { 7, 8, 9 };
    window.getAllCommands (commands);
    EXPECT_EQ (commands, juce::Array<juce::CommandID> (1, 2));

    juce::ApplicationCommandInfo info (0);
    window.getCommandInfo (2, info);
    EXPECT_EQ (info.commandID, 2);
    EXPECT_EQ (info.shortName, "Midi In Filter...");
    EXPECT_EQ (info.description, "Select Midi In chanel and pitch range");
    EXPECT_EQ (info.categoryName, "param");
    EXPECT_EQ (info.flags, 0);
    EXPECT_EQ (info.defaultKeypresses, juce::Array<juce::KeyPress> (juce::KeyPress ('M', juce::ModifierKeys::commandModifier, 0)));

    juce::ApplicationCommandInfo other (0);
    other.setInfo ("kept", "kept too", "cat", 5);
    window.getCommandInfo (42, other);
    EXPECT_EQ (other.commandID, 42);
    EXPECT_EQ (other.shortName, "kept");
    EXPECT_EQ (other.flags, 5);
    EXPECT_TRUE (other.defaultKeypresses.isEmpty());

    EXPECT_FALSE (window.perform (invocation (42)));
    EXPECT_FALSE (window.audioSettingsWindow.isVisible());
    EXPECT_FALSE (window.midiInFilterWindow.isVisible());

    EXPECT_TRUE (window.perform (invocation (1)));
    EXPECT_TRUE (window.audioSettingsWindow.isVisible());
    EXPECT_TRUE (window.perform (invocation (2)));
    EXPECT_TRUE (window.midiInFilterWindow.isVisible());
    EXPECT_TRUE (window.perform (invocation (2))) << "an open window is only raised";
    EXPECT_TRUE (window.midiInFilterWindow.isVisible());
}

TEST (MainWindow, DefaultKeysOpenTheWindowsFromTheMainWindow)
{
    ScopedTemporaryHome home;
    RunningApplication<> running;
    auto& window = running.window();
    auto* mappings = running.app->getKeyMappings();

    EXPECT_TRUE (mappings->containsMapping (1, ctrl (',')));
    EXPECT_TRUE (mappings->containsMapping (2, ctrl ('M')));

    EXPECT_TRUE (mappings->keyPressed (ctrl ('m'), &window));
    EXPECT_TRUE (window.midiInFilterWindow.isVisible());
    window.midiInFilterWindow.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    window.toFront (true);
    EXPECT_TRUE (mappings->keyPressed (ctrl (','), &window));
    EXPECT_TRUE (window.audioSettingsWindow.isVisible());

    // The content has nothing of its own to do with keys.
    EXPECT_FALSE (window.keyPressed (juce::KeyPress ('a')));
}

TEST (MainWindow, EscapeHidesASecondaryWindowOnlyWithoutModifiers)
{
    ScopedTemporaryHome home;
    RunningApplication<> running;
    auto& window = running.window();

    for (auto* secondary : { static_cast<juce::DocumentWindow*> (&window.audioSettingsWindow),
                             static_cast<juce::DocumentWindow*> (&window.midiInFilterWindow) })
    {
        secondary->setVisible (true);

        for (auto modifier : { juce::ModifierKeys::shiftModifier, juce::ModifierKeys::ctrlModifier,
                               juce::ModifierKeys::altModifier, juce::ModifierKeys::commandModifier })
        {
            EXPECT_FALSE (secondary->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, modifier, 0)));
            EXPECT_TRUE (secondary->isVisible());
        }

        EXPECT_FALSE (secondary->keyPressed (juce::KeyPress ('x')));
        EXPECT_TRUE (secondary->isVisible());

        // A mouse button held down is not a modifier here.
        EXPECT_TRUE (secondary->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, juce::ModifierKeys::leftButtonModifier, 0)));
        EXPECT_FALSE (secondary->isVisible());

        secondary->setVisible (true);
        secondary->closeButtonPressed();
        EXPECT_FALSE (secondary->isVisible());
    }

    EXPECT_TRUE (window.isVisible()) << "the secondary windows only hide themselves";
}

TEST (MainWindow, ReopenedFilterWindowShowsItsLastValues)
{
    ScopedTemporaryHome home;
    RunningApplication<> running;
    auto& window = running.window();
    auto& engine = *running.app->processor;

    window.perform (invocation (2));
    auto* panel = dynamic_cast<MidiInFilterComponent*> (window.midiInFilterWindow.getContentComponent());
    ASSERT_NE (panel, nullptr);
    panel->rangeToggle->setToggleState (true, juce::sendNotificationSync);
    panel->rangeSlider->setMinAndMaxValues (40, 70, juce::sendNotificationSync);
    panel->channelCombo->setSelectedId (9, juce::sendNotificationSync);

    window.midiInFilterWindow.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    EXPECT_FALSE (window.midiInFilterWindow.isVisible());
    window.perform (invocation (2));

    EXPECT_EQ (window.midiInFilterWindow.getContentComponent(), panel);
    EXPECT_EQ (panel->rangeSlider->getMinValue(), 40.0);
    EXPECT_EQ (panel->rangeSlider->getMaxValue(), 70.0);
    EXPECT_EQ (panel->lowNoteLabel->getText(), "E1");
    EXPECT_EQ (panel->channelCombo->getSelectedId(), 9);
    EXPECT_EQ (engine.lowestNote.load(), 40);
    EXPECT_EQ (engine.highestNote.load(), 70);
    EXPECT_EQ (engine.midiChannel.load(), 9);
    EXPECT_TRUE (engine.filterMidiRange.load());
}

TEST (MainWindow, ExitAndTheCloseButtonAskTheApplicationToQuit)
{
    ScopedTemporaryHome home;
    RunningApplication<QuitCountingApplication> running;
    auto& window = running.window();

    window.menuItemSelected (1, 0);
    window.menuItemSelected (4, 0);
    EXPECT_EQ (running.app->quitRequests, 0);

    window.menuItemSelected (3, 0);
    EXPECT_EQ (running.app->quitRequests, 1);

    window.closeButtonPressed();
    EXPECT_EQ (running.app->quitRequests, 2);
    EXPECT_TRUE (window.isVisible()) << "the window goes only at shut-down";
}

TEST (Application, QuitRequestStopsTheMessageLoopAndShutDownEmptiesEverything)
{
    ScopedTemporaryHome home;
    RunningApplication<> running;
    auto& app = *running.app;

    EXPECT_EQ (app.getApplicationName(), "Keystead");
    EXPECT_EQ (app.getApplicationVersion(), "1.0.0");
    EXPECT_TRUE (app.moreThanOneInstanceAllowed());
    EXPECT_EQ (app.GetNumOutputs(), 2);
    EXPECT_EQ (app.GetAudioProcessorWithMidiInFilter(), app.processor.get());
    EXPECT_EQ (app.player->getCurrentProcessor(), app.processor.get());
    EXPECT_EQ (app.deviceManager->getCurrentAudioDevice(), nullptr) << "this machine has no audio device";

    app.anotherInstanceStarted ("--anything");
    EXPECT_FALSE (juce::MessageManager::getInstance()->hasStopMessageBeenSent());

    // Once asked to stop, this process's message loop stays stopped: check that in a child.
    GTEST_FLAG_SET (death_test_style, "threadsafe");
    EXPECT_EXIT ({
        app.systemRequestedQuit();
        std::_Exit (juce::MessageManager::getInstance()->hasStopMessageBeenSent() ? 0 : 1);
    }, ::testing::ExitedWithCode (0), "");

    running.quit();
    EXPECT_EQ (app.mainWindow, nullptr);
    EXPECT_EQ (app.deviceManager, nullptr);
    EXPECT_EQ (app.player, nullptr);
    EXPECT_EQ (app.appProperties, nullptr);
    EXPECT_EQ (app.processor, nullptr);
    EXPECT_TRUE (home.settingsFile().existsAsFile());
}

TEST (Application, ShutDownCutsTheEnginesEditorLinkBeforeTheWindowsGo)
{
    ScopedTemporaryHome home;
    RunningApplication<> running;
    auto& engine = *running.app->processor;

    /** The filter window goes first of the main window's parts, before the editor. */
    struct Watcher : juce::ComponentListener
    {
        void componentBeingDeleted (juce::Component&) override
        {
            activeEditorThen = engine->getActiveEditor();
            seen = true;
        }

        KeysteadProcessor* engine = nullptr;
        juce::AudioProcessorEditor* activeEditorThen = nullptr;
        bool seen = false;
    } watcher;

    watcher.engine = &engine;
    ASSERT_NE (engine.getActiveEditor(), nullptr);
    running.window().midiInFilterWindow.addComponentListener (&watcher);

    running.quit();
    EXPECT_TRUE (watcher.seen);
    EXPECT_EQ (watcher.activeEditorThen, nullptr);
}
