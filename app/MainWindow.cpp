#include "app/MainWindow.h"

namespace
{
    /** Switches a window to the native title bar. On X11 the framework maps the window it
        recreates for this even when the window is hidden; a hidden window stays off screen. */
    void switchToNativeTitleBar (juce::DocumentWindow& window)
    {
        window.setUsingNativeTitleBar (true);

        if (! window.isVisible())
            if (auto* peer = window.getPeer())
                peer->setVisible (false);
    }

    // The four lowest modifier flags: shift, ctrl, alt and (on macOS) command.
    constexpr int keyboardModifierBits = 0x0F;
    constexpr int escapeKeyCode = 27;

    const juce::String parameterCategory { "param" };
}

//==============================================================================
ZibStandAloneApplication::MainWindow::AudioDeviceSelectorComponentWindow::AudioDeviceSelectorComponentWindow()
    : juce::DocumentWindow ({}, juce::Colour (0xffff0000), maximiseButton | closeButton)
{
    switchToNativeTitleBar (*this);

    // Centred while still 0 x 0: the window opens with its corner at the screen's centre.
    centreWithSize (getWidth(), getHeight());
}

bool ZibStandAloneApplication::MainWindow::AudioDeviceSelectorComponentWindow::keyPressed (const juce::KeyPress& key)
{
    if (! IsPlainEscape (key))
        return false;

    closeButtonPressed();
    return true;
}

void ZibStandAloneApplication::MainWindow::AudioDeviceSelectorComponentWindow::closeButtonPressed()
{
    setVisible (false);
}

//==============================================================================
ZibStandAloneApplication::MainWindow::MidiInFilterDocumentWindow::MidiInFilterDocumentWindow()
    : juce::DocumentWindow ({}, juce::Colours::white, maximiseButton | closeButton)
{
    switchToNativeTitleBar (*this);
    centreWithSize (getWidth(), getHeight());
}

bool ZibStandAloneApplication::MainWindow::MidiInFilterDocumentWindow::keyPressed (const juce::KeyPress& key)
{
    if (! IsPlainEscape (key))
        return false;

    closeButtonPressed();
    return true;
}

void ZibStandAloneApplication::MainWindow::MidiInFilterDocumentWindow::closeButtonPressed()
{
    setVisible (false);
}

//==============================================================================
ZibStandAloneApplication::MainWindow::MainWindow (const juce::String& name, ZibStandAloneApplication& owner)
    : juce::DocumentWindow (name, juce::Colours::lightgrey, minimiseButton | maximiseButton | closeButton),
      application (&owner)
{
    // Command keys pressed while this window or its content has the focus reach the
    // command manager.
    addKeyListener (application->getKeyMappings());
}

ZibStandAloneApplication::MainWindow::~MainWindow()
{
    setMenuBar (nullptr);
    removeKeyListener (application->getKeyMappings());
}

bool ZibStandAloneApplication::MainWindow::keyPressed (const juce::KeyPress& key)
{
    if (auto* content = getContentComponent())
        return content->keyPressed (key);

    return false;
}

void ZibStandAloneApplication::MainWindow::closeButtonPressed()
{
    AskApplicationToQuit();
}

juce::StringArray ZibStandAloneApplication::MainWindow::getMenuBarNames()
{
    return { "Menu" };
}

void ZibStandAloneApplication::MainWindow::addSpecificsItems (juce::PopupMenu&)
{
}

juce::PopupMenu ZibStandAloneApplication::MainWindow::getMenuForIndex (int topLevelMenuIndex, const juce::String&)
{
    juce::PopupMenu menu;

    if (topLevelMenuIndex == 0)
    {
        menu.addCommandItem (application, audioSettingsCommand);
        menu.addCommandItem (application, midiInFilterCommand);
        addSpecificsItems (menu);
        menu.addSeparator();
        menu.addItem (exitMenuItem, "Exit", true, false);
    }

    return menu;
}

void ZibStandAloneApplication::MainWindow::menuItemSelected (int menuItemID, int)
{
    if (menuItemID == exitMenuItem)
        AskApplicationToQuit();
}

juce::ApplicationCommandTarget* ZibStandAloneApplication::MainWindow::getNextCommandTarget()
{
    return nullptr;
}

void ZibStandAloneApplication::MainWindow::getAllCommands (juce::Array<juce::CommandID>& commands)
{
    commands.clearQuick();
    commands.add (audioSettingsCommand);
    commands.add (midiInFilterCommand);
}

void ZibStandAloneApplication::MainWindow::getCommandInfo (juce::CommandID commandID, juce::ApplicationCommandInfo& result)
{
    result.commandID = commandID;

    switch (commandID)
    {
        case audioSettingsCommand:
            result.setInfo ("Audio & MIDI Settings...", "Audio & MIDI Settings...", parameterCategory, 0);
            result.addDefaultKeypress (',', juce::ModifierKeys::commandModifier);
            break;

        case midiInFilterCommand:
            result.setInfo ("Midi In Filter...", "Select Midi In chanel and pitch range", parameterCategory, 0);
            result.addDefaultKeypress ('M', juce::ModifierKeys::commandModifier);
            break;

        default:
            break;
    }
}

bool ZibStandAloneApplication::MainWindow::perform (const juce::ApplicationCommandTarget::InvocationInfo& info)
{
    switch (info.commandID)
    {
        case audioSettingsCommand:  Show (audioSettingsWindow); return true;
        case midiInFilterCommand:   Show (midiInFilterWindow);  return true;
        default:                    return false;
    }
}

bool ZibStandAloneApplication::MainWindow::IsPlainEscape (const juce::KeyPress& key) noexcept
{
    return key.getKeyCode() == escapeKeyCode
        && (key.getModifiers().getRawFlags() & keyboardModifierBits) == 0;
}

void ZibStandAloneApplication::MainWindow::AskApplicationToQuit()
{
    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}

void ZibStandAloneApplication::MainWindow::Show (juce::DocumentWindow& window)
{
    window.setVisible (true);
    window.toFront (true);
}
