#pragma once

#include <gtest/gtest.h>

#include "app/KeysteadApplication.h"
#include "app/KeysteadMainWindow.h"
#include "engine/KeysteadProcessor.h"
#include "tests/app/XWindowState.h"

// Each test runs with a connection to the X server and a fresh, empty home folder, where the
// settings file goes.
class AppTest : public ::testing::Test
{
protected:
    AppTest()  { home.createDirectory(); setenv ("HOME", home.getFullPathName().toRawUTF8(), 1); }
    ~AppTest() override { setenv ("HOME", previousHome.toRawUTF8(), 1); home.deleteRecursively(); }

    void SetUp() override
    {
        // Without a connection the framework's first window would crash the process.
        ASSERT_TRUE (connectToXServer() && juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr)
            << "no X server at DISPLAY=" << juce::SystemStats::getEnvironmentVariable ("DISPLAY", {});
    }

    // The application built and initialised as the framework's entry does it; at the end it is
    // shut down and deleted, as the entry does after its message loop.
    template <typename Application = KeysteadApplication>
    static auto start()
    {
        // Marks the process as an application, which the framework's application base requires.
        juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return nullptr; };
        std::unique_ptr<Application, void (*) (ZibStandAloneApplication*)> app (new Application(), [] (ZibStandAloneApplication* a)
            { a->shutdown(); delete a; juce::JUCEApplicationBase::createInstance = nullptr; });
        app->initialise ({});
        return app;
    }

    juce::File settingsFile() const { return home.getChildFile (".Keystead/Keystead.settings"); }
    juce::StringPairArray savedValues() const { return juce::PropertiesFile (settingsFile(), {}).getAllProperties(); }
    void writeSettings (const juce::MemoryBlock& bytes) const { settingsFile().create(); settingsFile().replaceWithData (bytes.getData(), bytes.getSize()); }
    juce::MemoryBlock settingsBytes() const { juce::MemoryBlock bytes; settingsFile().loadFileAsData (bytes); return bytes; }

    // Unique across the test processes that ctest runs side by side.
    const juce::File home = juce::File::getSpecialLocation (juce::File::tempDirectory).getChildFile ("keystead-home-" + juce::Uuid().toString());
    const juce::String previousHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
};
