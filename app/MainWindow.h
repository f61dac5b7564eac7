#pragma once

#include "app/ZibStandAloneApplication.h"

/** The main window: the application's name as title, an in-window menu bar with one menu, the
    two commands that open the settings windows, and those two windows, hidden until asked for.
    A product's subclass puts the content into the three windows. */
class ZibStandAloneApplication::MainWindow : public juce::DocumentWindow,
                                             public juce::MenuBarModel,
                                             public juce::ApplicationCommandTarget
{
public:
    enum CommandIDs
    {
        audioSettingsCommand = 1,
        midiInFilterCommand = 2
    };

    static constexpr int exitMenuItem = 3;

    /** The audio-and-MIDI settings window; closing it only hides it. */
    class AudioDeviceSelectorComponentWindow : public juce::DocumentWindow
    {
    public:
        AudioDeviceSelectorComponentWindow();
        bool keyPressed (const juce::KeyPress& key) override;
        void closeButtonPressed() override;

    private:
        JUCE_DECLARE_NON_COPYABLE (AudioDeviceSelectorComponentWindow)
    };

    /** The MIDI-input filter window; closing it only hides it. */
    class MidiInFilterDocumentWindow : public juce::DocumentWindow
    {
    public:
        MidiInFilterDocumentWindow();
        bool keyPressed (const juce::KeyPress& key) override;
        void closeButtonPressed() override;

    private:
        JUCE_DECLARE_NON_COPYABLE (MidiInFilterDocumentWindow)
    };

    MainWindow (const juce::String& name, ZibStandAloneApplication& owner);
    ~MainWindow() override;

    bool keyPressed (const juce::KeyPress& key) override;
    void closeButtonPressed() override;

    juce::StringArray getMenuBarNames() override;

    /** Room for a subclass's own items between the commands and "Exit". */
    virtual void addSpecificsItems (juce::PopupMenu& menu);

    juce::PopupMenu getMenuForIndex (int topLevelMenuIndex, const juce::String& menuName) override;
    void menuItemSelected (int menuItemID, int topLevelMenuIndex) override;

    juce::ApplicationCommandTarget* getNextCommandTarget() override;
    void getAllCommands (juce::Array<juce::CommandID>& commands) override;
    void getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result) override;
    bool perform (const juce::ApplicationCommandTarget::InvocationInfo& info) override;

    /** Escape with no modifier held: the secondary windows close on it. */
    static bool IsPlainEscape (const juce::KeyPress& key) noexcept;

    AudioDeviceSelectorComponentWindow audioSettingsWindow;
    MidiInFilterDocumentWindow midiInFilterWindow;
    ZibStandAloneApplication* application;

private:
    static void AskApplicationToQuit();
    static void Show (juce::DocumentWindow& window);

    JUCE_DECLARE_NON_COPYABLE (MainWindow)
};
