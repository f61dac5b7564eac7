#pragma once

#include <fstream>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/KeysteadApplication.h"
#include "app/KeysteadMainWindow.h"
#include "engine/KeysteadProcessor.h"

// Connects once, ignoring X errors (Xlib's default handler would end the process on a bare server's
// first unknown atom), and says whether there is a display to put windows on.
bool connectToXServer();
bool isShownByX (juce::Component& window);  // mapped and viewable, as the X server sees it

inline std::string contentsOf (const std::string& path)
{
    std::ifstream in (path, std::ios::binary);
    return { std::istreambuf_iterator<char> (in), {} };
}

inline std::string contentsOf (const juce::File& file) { return contentsOf (file.getFullPathName().toStdString()); }

inline std::string fileWith (std::initializer_list<std::pair<std::string, std::string>> values)
{
    std::string text ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n");
    for (const auto& [key, value] : values)
        text += "  <VALUE name=\"" + key + "\" val=\"" + value + "\"/>\n";
    return text + "</PROPERTIES>\n";
}

// Each test runs with a connection to the X server and a fresh, empty home folder for the settings.
class AppTest : public ::testing::Test
{
protected:
    AppTest()  { home.createDirectory(); setenv ("HOME", home.getFullPathName().toRawUTF8(), 1); }
    ~AppTest() override { setenv ("HOME", previousHome.toRawUTF8(), 1); home.deleteRecursively(); }
    void SetUp() override { ASSERT_TRUE (connectToXServer()) << "no X server"; }

    // The application initialised, and at the end shut down and deleted, as the framework's entry does.
    template <typename Application = KeysteadApplication>
    static auto start()
    {
        // The framework's application base requires the process to be marked as an application.
        juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return nullptr; };
        std::unique_ptr<Application, void (*) (ZibStandAloneApplication*)> app (new Application(), [] (auto* a)
        {
            a->shutdown();
            delete a;
            juce::JUCEApplicationBase::createInstance = nullptr;
        });
        app->initialise ({});
        return app;
    }

    juce::File settingsFile() const  { return home.getChildFile (".Keystead/Keystead.settings"); }
    juce::File damagedFile() const   { return home.getChildFile (".Keystead/Keystead.settings.damaged"); }

    void writeSettings (const std::string& bytes) const
    {
        settingsFile().create();
        settingsFile().replaceWithData (bytes.data(), bytes.size());
    }

    // Unique across the test processes that ctest runs side by side.
    const juce::File home = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                .getChildFile ("keystead-home-" + juce::Uuid().toString());
    const juce::String previousHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
};
