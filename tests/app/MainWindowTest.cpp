#include <csignal>
#include <functional>
#include <map>
#include <optional>

#include "tests/app/AppTestSupport.h"
#include "tests/app/FakeAudioDevice.h"
#include "app/MainComponent.h"
#include "app/MidiInFilterComponent.h"
#include "tests/ui/UiTestSupport.h"

namespace
{
    using MainWindow = AppTest;

    // Opens a device without hardware as its only audio device before its windows are built.
    struct FakeDeviceApplication : KeysteadApplication
    {
        void createMainWindow() override
        {
            deviceManager->addAudioDeviceType (std::make_unique<FakeAudioDeviceType> ([this] { onDeviceStop(); }));
            deviceManager->setCurrentAudioDeviceType ("Fake", true);
            KeysteadApplication::createMainWindow();
        }

        std::function<void()> onDeviceStop = [] {};
    };

    // Counts quit requests instead of ending the test's message loop.
    struct QuitCountingApplication : KeysteadApplication
    {
        void systemRequestedQuit() override { ++quitRequests; }
        int quitRequests = 0;
    };

    // The filter panel as the user sees it: its children's enabling in creation order (two toggles,
    // the channel list, the slider, two note names, "from", "to"), then the filters.
    juce::String shown (const MidiInFilterComponent& p)
    {
        juce::String text;
        for (auto* child : p.getChildren())
            text << (child->isEnabled() ? "+" : "-");

        return text << (p.channelToggle->getToggleState() ? " channel on " : " channel off ")
                    << p.channelCombo->getSelectedId()
                    << (p.rangeToggle->getToggleState() ? ", range on " : ", range off ")
                    << p.lowNoteLabel->getText() << ".." << p.highNoteLabel->getText();
    }

    juce::String fields (const AudioProcessorWITHMidiInFilter& e)
    {
        return juce::String::formatted ("%d %d %d %d..%d", (int) e.filterMidiChannel, (int) e.midiChannel,
                                        (int) e.filterMidiRange, (int) e.lowestNote, (int) e.highestNote);
    }
}

TEST_F (MainWindow, WindowsAreBuiltWithTitlesColoursSizesAndHiddenStates)
{
    auto app = start();
    auto& main = *app->mainWindow;
    const auto centre = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();
    // The secondary windows are centred at the smallest window size, 128 x 128, then resized in place.
    const auto corner = juce::Rectangle<int> (128, 128).withCentre (centre).getPosition();

    const struct
    {
        juce::DocumentWindow* window; const char* title; juce::Colour colour; bool shown; juce::Rectangle<int> bounds;
    } rows[] = {
        { &main, "Keystead", juce::Colours::lightgrey, true, juce::Rectangle<int> (734, 588).withCentre (centre) },
        { &main.audioSettingsWindow, "", juce::Colour (0xffff0000), false, juce::Rectangle<int> (500, 450) + corner },
        { &main.midiInFilterWindow, "", juce::Colours::white, false, juce::Rectangle<int> (400, 250) + corner },
    };

    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.title);
        EXPECT_EQ (row.window->getName(), juce::String (row.title));
        EXPECT_EQ (row.window->getBackgroundColour(), row.colour);
        EXPECT_EQ (row.window->isVisible(), row.shown);
        EXPECT_EQ (isShownByX (*row.window), row.shown);
        EXPECT_EQ (row.window->getBounds(), row.bounds);
    }

    // The menu bar takes the top 24 pixels, the editor the rest; the engine knows its editor.
    auto* content = dynamic_cast<MainComponent*> (main.getContentComponent());
    ASSERT_TRUE (content != nullptr && content->editor != nullptr);
    EXPECT_EQ (content->getBounds(), juce::Rectangle<int> (0, 24, 734, 564));
    EXPECT_EQ (content->editor->getBounds(), juce::Rectangle<int> (734, 564));
}

TEST_F (MainWindow, OnlyTheEditorsWindowIsShownAndItsKeysMenuAndSecondaryWindowsWorkAsAUserMeetsThem)
{
    writeSettings (fileWith ({ { "filter_midi_chanel", "1" }, { "midi_chanel", "5" },
                               { "lowest_note", "36" }, { "highest_note", "84" } }));
    auto app = start<QuitCountingApplication>();
    auto& window = *app->mainWindow;
    auto& filterWindow = window.midiInFilterWindow;
    auto* content = dynamic_cast<MainComponent*> (window.getContentComponent());
    auto* panel = dynamic_cast<MidiInFilterComponent*> (filterWindow.getContentComponent());
    auto* keys = app->getKeyMappings();
    ASSERT_TRUE (content != nullptr && content->editor != nullptr && panel != nullptr);

    // The secondary windows stay hidden; the editor fills the window below the menu bar.
    EXPECT_TRUE (window.isVisible() && ! window.audioSettingsWindow.isVisible() && ! filterWindow.isVisible());
    const auto centre = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();
    EXPECT_EQ (window.getBounds(), juce::Rectangle<int> (734, 588).withCentre (centre));
    EXPECT_EQ (content->editor->getBounds() + content->getPosition(), juce::Rectangle<int> (0, 24, 734, 564));
    EXPECT_EQ (app->processor->getActiveEditor(), content->editor.get());

    // Each item as "id text [the keys shown beside it]", a separator as "-".
    juce::StringArray items;
    const auto menu = window.getMenuForIndex (0, "Menu");
    for (juce::PopupMenu::MenuItemIterator it (menu); it.next();)
    {
        const auto& item = it.getItem();
        const auto key = keys->getKeyPressesAssignedToCommand (item.itemID)[0].getTextDescription();
        items.add (item.isSeparator ? "-" : juce::String (item.itemID) + " " + item.text
                                                + (item.isEnabled ? "" : " (disabled)")
                                                + (item.commandManager != nullptr ? " [" + key + "]" : ""));
    }
    EXPECT_EQ (items.joinIntoString (" | "),
               "1 Audio & MIDI Settings... [ctrl + ,] | 2 Midi In Filter... [ctrl + M] | - | 3 Exit");
    EXPECT_EQ (window.getMenuBarNames(), juce::StringArray ("Menu"));
    EXPECT_FALSE (window.perform (42));
    EXPECT_FALSE (window.audioSettingsWindow.isVisible() || filterWindow.isVisible());

    // The keys and the menu reach the commands; an open window is only raised. The panel shows the
    // stored values, its toggles enable what they filter by, and each change reaches the engine at once.
    EXPECT_TRUE (keys->keyPressed (juce::KeyPress ('m', juce::ModifierKeys::ctrlModifier, 0), &window));
    EXPECT_TRUE (filterWindow.isVisible());
    EXPECT_EQ (shown (*panel), "+++----- channel on 5, range off C1..C5");
    EXPECT_EQ (fields (*app->processor), "1 5 0 36..84");
    panel->channelCombo->setSelectedId (11, juce::sendNotificationSync);
    panel->channelToggle->setToggleState (false, juce::sendNotificationSync);
    panel->rangeToggle->setToggleState (true, juce::sendNotificationSync);
    panel->rangeSlider->setMaxValue (100, juce::sendNotificationSync);
    EXPECT_EQ (fields (*app->processor), "0 11 1 36..100") << "the channel stays for the next time its filter is on";
    filterWindow.keyPressed (juce::KeyPress (juce::KeyPress::escapeKey));
    // The focus comes back from the X server later; until then the commands' target is looked
    // for from the hidden filter window.
    window.toFront (true);
    ASSERT_TRUE (uitest::pump ([&] { return window.hasKeyboardFocus (true); }));
    EXPECT_TRUE (keys->keyPressed (juce::KeyPress (',', juce::ModifierKeys::ctrlModifier, 0), &window));
    EXPECT_TRUE (window.audioSettingsWindow.isVisible());
    const auto settingsShot = window.audioSettingsWindow.createComponentSnapshot ({ 500, 450 });
    EXPECT_EQ (settingsShot.getPixelAt (250, 440), juce::Colour (0xffff0000)) << "the red ground below the controls";

    EXPECT_TRUE (window.perform (2) && window.perform (2) && filterWindow.isVisible());
    EXPECT_EQ (filterWindow.getContentComponent(), panel);
    EXPECT_EQ (shown (*panel), "++-+++++ channel off 11, range on C1..E6") << "reopened as it was left";

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

TEST_F (MainWindow, ShutDownCutsTheEditorLinkWritesClosesTheWindowsAndStopsTheDeviceBeforeThePlayerAndEngine)
{
    auto app = start<FakeDeviceApplication>();
    auto* raw = app.get();
    ASSERT_NE (raw->deviceManager->getCurrentAudioDevice(), nullptr);

    // At the device's last stop: settings written, windows gone, player and engine still there.
    std::optional<std::tuple<bool, bool, bool, bool>> atStop;
    raw->onDeviceStop = [&, raw]
    {
        atStop = std::tuple (settingsFile().exists(), raw->mainWindow == nullptr, raw->player != nullptr,
                             raw->processor != nullptr);
    };

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
    EXPECT_EQ (atStop, std::tuple (true, true, true, true));
}

TEST_F (MainWindow, TheSettingsWindowOffersOneOutputPairNoInputsTheMidiInputsAndTheAdvancedSettings)
{
    auto app = start<FakeDeviceApplication>();
    auto& devices = *app->deviceManager;
    auto& settingsWindow = app->mainWindow->audioSettingsWindow;
    ASSERT_NE (dynamic_cast<juce::AudioDeviceSelectorComponent*> (settingsWindow.getContentComponent()), nullptr);

    // Every visible label by its text, with the component it names, and every button's text.
    std::map<juce::String, juce::Component*> labels;
    juce::StringArray buttons;
    std::function<void (juce::Component&)> collect = [&] (juce::Component& c)
    {
        if (auto* label = dynamic_cast<juce::Label*> (&c); label != nullptr && label->isVisible())
            labels[label->getText()] = label->getAttachedComponent();
        if (auto* button = dynamic_cast<juce::Button*> (&c))
            buttons.add (button->getButtonText());
        for (auto* child : c.getChildren())
            collect (*child);
    };
    collect (settingsWindow);

    for (const auto* text : { "Active MIDI inputs:", "Active output channels:", "Sample rate:", "Audio buffer size:" })
        EXPECT_EQ (labels.count (text), 1u) << text;
    for (const auto* text : { "MIDI Output:", "Input:", "Active input channels:" })
        EXPECT_EQ (labels.count (text), 0u) << text;
    EXPECT_FALSE (buttons.contains ("Show advanced settings...")) << "the advanced settings are not hidden";

    // Channels come in stereo pairs, of which one is on at a time.
    auto* outputs = dynamic_cast<juce::ListBox*> (labels["Active output channels:"]);
    ASSERT_TRUE (outputs != nullptr && outputs->getModel() != nullptr);
    EXPECT_EQ (outputs->getModel()->getNumRows(), 2);
    outputs->getModel()->returnKeyPressed (1);
    EXPECT_EQ (devices.getAudioDeviceSetup().outputChannels.toString (2), "1100");
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

TEST (MidiInFilterPanel, TheRangeSlidersThumbsDraggedSetTheLowestAndTheHighestNote)
{
    KeysteadProcessor engine;
    MidiInFilterComponent panel (&engine);
    auto& slider = *panel.rangeSlider;
    panel.rangeToggle->setToggleState (true, juce::sendNotificationSync);
    const auto drag = [&slider] (double from, double to)
    {
        const auto at = [&slider] (double v) { return juce::Point<float> (slider.getPositionOfValue (v), 12.0f); };
        slider.mouseDown (uitest::mouseAt (slider, at (from)));
        slider.mouseDrag (uitest::mouseAt (slider, at (to), at (from)));
        slider.mouseUp (uitest::mouseAt (slider, at (to), at (from)));
    };
    drag (0.0, 40.0);
    uitest::pump ([&] { return engine.lowestNote.load() != 0; });  // the slider's change message
    EXPECT_EQ (std::tuple (engine.lowestNote.load(), engine.highestNote.load(), panel.lowNoteLabel->getText()),
               std::tuple (40, 127, juce::String ("E1")));
    drag (127.0, 90.0);
    uitest::pump ([&] { return engine.highestNote.load() != 127; });
    EXPECT_EQ (std::tuple (engine.lowestNote.load(), engine.highestNote.load(), panel.highNoteLabel->getText()),
               std::tuple (40, 90, juce::String ("F#5")));
}
