#pragma once

#include <cstdlib>
#include <memory>

#include <juce_gui_basics/juce_gui_basics.h>

#include "app/KeysteadApplication.h"
#include "app/KeysteadMainWindow.h"
#include "app/SettingsFile.h"
#include "engine/KeysteadProcessor.h"

/** A fresh, empty home folder for the life of a test; the settings file goes there. */
class ScopedTemporaryHome
{
public:
    ScopedTemporaryHome()
        // Unique across the test processes that ctest runs side by side.
        : folder (juce::File::getSpecialLocation (juce::File::tempDirectory)
                      .getChildFile ("keystead-home-" + juce::Uuid().toString()))
    {
        folder.createDirectory();

        if (const char* old = std::getenv ("HOME"))
            previous = old;

        setenv ("HOME", folder.getFullPathName().toRawUTF8(), 1);
    }

    ~ScopedTemporaryHome()
    {
        if (previous.isNotEmpty())
            setenv ("HOME", previous.toRawUTF8(), 1);

        folder.deleteRecursively();
    }

    juce::File settingsFile() const { return folder.getChildFile (".Keystead/Keystead.settings"); }

    void writeSettings (const juce::String& text) const
    {
        settingsFile().getParentDirectory().createDirectory();
        settingsFile().replaceWithText (text);
    }

    juce::File folder;
    juce::String previous;
};

/** The application as the framework's entry runs it: built, initialised, and shut down and
    deleted at the end (unless the test did so itself). */
template <typename Application = KeysteadApplication>
class RunningApplication
{
public:
    RunningApplication()
    {
        // Marks the process as an application, which the framework's application base requires.
        juce::JUCEApplicationBase::createInstance = &neverCalled;
        app = std::make_unique<Application>();
        app->initialise ({});
    }

    ~RunningApplication()
    {
        quit();
        app = nullptr;
        juce::JUCEApplicationBase::createInstance = nullptr;
    }

    void quit()
    {
        if (app != nullptr && ! hasQuit)
        {
            app->shutdown();
            hasQuit = true;
        }
    }

    ZibStandAloneApplication::MainWindow& window() { return *app->mainWindow; }

    std::unique_ptr<Application> app;
    bool hasQuit = false;

private:
    static juce::JUCEApplicationBase* neverCalled() { return nullptr; }
};

/** Runs the application once from start to quit in the given home, letting the test change
    the engine in between. */
template <typename Change>
void runOnce (Change&& change)
{
    RunningApplication<> running;
    change (*running.app->processor);
}
