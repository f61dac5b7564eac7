#include <functional>
#include <map>
#include <optional>

#include <csignal>

#include "tests/app/AppTestSupport.h"
#include "tests/app/FakeAudioDevice.h"
#include "app/MainComponent.h"
#include "app/MidiInFilterComponent.h"

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

TEST_F (MainWindow, OnlyTheEditorsWindowIsShownAndItsMenuKeysAndFilterPanelWorkAsAUserMeetsThem)
{
    writeSettings (fileWith ({ { "filter_midi_chanel", "1" }, { "midi_chanel", "5" },
                               { "lowest_note", "36" }, { "highest_note", "84" } }));
    auto app = start<QuitCountingApplication>();
    auto& window = *app->mainWindow;
    auto& filterWindow = window.midiInFilterWindow;
    auto* panel = dynamic_cast<MidiInFilterComponent*> (filterWindow.getContentComponent());
    auto* content = dynamic_cast<MainComponent*> (window.getContentComponent());
    auto* keys = app->getKeyMappings();
    ASSERT_TRUE (panel != nullptr && content != nullptr && content->editor != nullptr);

    // The secondary windows stay hidden from X too; the editor fills the window below the 24-pixel
    // menu bar, and the engine knows it.
    const auto centre = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay()->userArea.getCentre();
    const auto shownByX = std::make_tuple (isShownByX (window), isShownByX (window.audioSettingsWindow),
                                           isShownByX (filterWindow));
    EXPECT_EQ (shownByX, std::make_tuple (true, false, false));
    EXPECT_EQ (window.getBounds(), juce::Rectangle<int> (734, 588).withCentre (centre));
    EXPECT_EQ (content->getBounds(), juce::Rectangle<int> (0, 24, 734, 564));
    EXPECT_EQ (content->editor->getBounds(), juce::Rectangle<int> (734, 564));
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

    // The keys reach the commands; the panel shows the stored values, and each change reaches the engine at once.
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
    window.toFront (true);
    EXPECT_TRUE (keys->keyPressed (juce::KeyPress (',', juce::ModifierKeys::ctrlModifier, 0), &window));
    EXPECT_TRUE (window.audioSettingsWindow.isVisible());
    const auto settingsShot = window.audioSettingsWindow.createComponentSnapshot ({ 500, 450 });
    EXPECT_EQ (settingsShot.getPixelAt (250, 440), juce::Colour (0xffff0000)) << "the red ground below the controls";

    EXPECT_TRUE (window.perform (2));
    EXPECT_TRUE (window.perform (2)) << "an open window is only raised";
    EXPECT_TRUE (filterWindow.isVisible());
    EXPECT_EQ (filterWindow.getContentComponent(), panel);
    EXPECT_EQ (shown (*panel), "++-+++++ channel off 11, range on C1..E6");

    juce::StringArray names;
    for (int note : { 0, 23, 60, 61, 62, 63, 64, 65, 66, 67, 68, 69, 70, 71, 127 })
        names.add (MidiInFilterComponent::NoteName (note));
    EXPECT_EQ (names.joinIntoString (" "), "C-2 B-1 C3 C#3 D3 Eb3 E3 F3 F#3 G3 Ab3 A3 Bb3 B3 G8");

    // Plain Escape and the close buttons hide the secondary windows; "Exit" and closing the main window quit.
    for (auto* secondary : std::initializer_list<juce::DocumentWindow*> { &window.audioSettingsWindow, &filterWindow })
    {
        using Keys = juce::ModifierKeys;
        for (auto modifier : { Keys::shiftModifier, Keys::ctrlModifier, Keys::altModifier })
            EXPECT_FALSE (secondary->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, modifier, 0)));

        EXPECT_TRUE (secondary->isVisible());
        // A mouse button held down is not a modifier here.
        EXPECT_TRUE (secondary->keyPressed (juce::KeyPress (juce::KeyPress::escapeKey, Keys::leftButtonModifier, 0)));
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

TEST_F (MainWindow, ShutDownCutsTheEditorLinkThenWritesClosesTheWindowsAndStopsTheDeviceBeforeThePlayerAndEngine)
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

    // The filter window is the first of the windows' parts to go.
    std::optional<juce::AudioProcessorEditor*> editorThen;
    struct : juce::ComponentListener
    {
        std::function<void()> onDeleted;
        void componentBeingDeleted (juce::Component&) override { onDeleted(); }
    } watcher;
    watcher.onDeleted = [&] { editorThen = raw->processor->getActiveEditor(); };
    raw->mainWindow->midiInFilterWindow.addComponentListener (&watcher);
    app = nullptr;
    EXPECT_EQ (editorThen, std::optional<juce::AudioProcessorEditor*> (nullptr));
    EXPECT_EQ (atStop, std::tuple (true, true, true, true));
}

TEST_F (MainWindow, TheSettingsWindowOffersOneOutputPairNoInputsAndTheMidiInputs)
{
    auto app = start<FakeDeviceApplication>();
    auto& devices = *app->deviceManager;

    // Every visible label by its text, with the component it names.
    std::map<juce::String, juce::Component*> labels;
    std::function<void (juce::Component&)> collect = [&] (juce::Component& c)
    {
        if (auto* label = dynamic_cast<juce::Label*> (&c); label != nullptr && label->isVisible())
            labels[label->getText()] = label->getAttachedComponent();
        for (auto* child : c.getChildren())
            collect (*child);
    };
    collect (app->mainWindow->audioSettingsWindow);

    for (const auto* text : { "Active MIDI inputs:", "Active output channels:" })
        EXPECT_EQ (labels.count (text), 1u) << text;
    for (const auto* text : { "MIDI Output:", "Input:", "Active input channels:" })
        EXPECT_EQ (labels.count (text), 0u) << text;

    // Channels come in stereo pairs, of which one is on at a time.
    auto* outputs = dynamic_cast<juce::ListBox*> (labels["Active output channels:"]);
    ASSERT_TRUE (outputs != nullptr && outputs->getModel() != nullptr);
    EXPECT_EQ (outputs->getModel()->getNumRows(), 2);
    outputs->getModel()->returnKeyPressed (1);
    EXPECT_EQ (devices.getAudioDeviceSetup().outputChannels.toString (2), "1100");
}

TEST_F (MainWindow, TerminationSignalsAskForTheSameQuitOnTheMessageThreadAndTheOldHandlersComeBack)
{
    struct sigaction ignore {}, before {}, after {};
    ignore.sa_handler = SIG_IGN;
    sigaction (SIGHUP, &ignore, &before);

    {
        auto app = start<QuitCountingApplication>();
        // The step count only keeps a broken build from hanging; nothing is timed.
        const auto pumpUntilQuitRequests = [&] (int n, int steps = 2000)
        {
            for (int i = 0; i < steps && app->quitRequests < n; ++i)
                juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
            return app->quitRequests;
        };

        // Until the message loop has come round, when no value can have changed, a signal would
        // end the process at once; messages are handled in order.
        bool loopCameRound = false;
        juce::MessageManager::callAsync ([&] { loopCameRound = true; });
        for (int i = 0; i < 2000 && ! loopCameRound; ++i)
            juce::MessageManager::getInstance()->runDispatchLoopUntil (5);

        raise (SIGTERM);
        EXPECT_EQ (app->quitRequests, 0) << "nothing happens inside the signal handler";
        EXPECT_EQ (pumpUntilQuitRequests (1), 1);
        raise (SIGHUP);
        raise (SIGTERM);
        EXPECT_EQ (pumpUntilQuitRequests (2), 2);
        EXPECT_EQ (pumpUntilQuitRequests (3, 40), 2) << "signals before the loop came round are one request";
    }

    sigaction (SIGHUP, &before, &after);
    EXPECT_EQ (after.sa_handler, SIG_IGN);
}
