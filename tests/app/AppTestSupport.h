#pragma once

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/KeysteadApplication.h"
#include "app/KeysteadMainWindow.h"
#include "engine/KeysteadProcessor.h"

// Connects once, waiting up to five seconds, ignoring X errors: under a bare X server the first
// unknown atom would make Xlib's default handler end the process.
bool connectToXServer();
bool isShownByX (juce::Component& window);  // mapped and viewable

// Each test runs with a connection to the X server and a fresh, empty home folder for the settings.
class AppTest : public ::testing::Test
{
protected:
    AppTest()  { home.createDirectory(); setenv ("HOME", home.getFullPathName().toRawUTF8(), 1); }
    ~AppTest() override { setenv ("HOME", previousHome.toRawUTF8(), 1); home.deleteRecursively(); }

    void SetUp() override
    {
        // Without a connection the framework's first window would crash the process.
        ASSERT_TRUE (connectToXServer() && juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr)
            << "no X server";
    }

    // The application initialised, and at the end shut down and deleted, as the framework's entry does.
    template <typename Application = KeysteadApplication>
    static auto start()
    {
        // The framework's application base requires the process to be marked as an application.
        juce::JUCEApplicationBase::createInstance = [] () -> juce::JUCEApplicationBase* { return nullptr; };
        const auto end = [] (ZibStandAloneApplication* a)
        {
            a->shutdown();
            delete a;
            juce::JUCEApplicationBase::createInstance = nullptr;
        };
        std::unique_ptr<Application, void (*) (ZibStandAloneApplication*)> app (new Application(), end);
        app->initialise ({});
        return app;
    }

    juce::File settingsFile() const  { return home.getChildFile (".Keystead/Keystead.settings"); }
    juce::File damagedFile() const   { return home.getChildFile (".Keystead/Keystead.settings.damaged"); }
    juce::StringPairArray savedValues() const { return juce::PropertiesFile (settingsFile(), {}).getAllProperties(); }
    static juce::MemoryBlock bytesOf (const std::string& text) { return { text.data(), text.size() }; }
    static juce::MemoryBlock bytesIn (const juce::File& f) { juce::MemoryBlock b; f.loadFileAsData (b); return b; }
    juce::MemoryBlock settingsBytes() const { return bytesIn (settingsFile()); }

    void writeSettings (const juce::MemoryBlock& bytes) const
    {
        settingsFile().create();
        settingsFile().replaceWithData (bytes.getData(), bytes.getSize());
    }

    static juce::MemoryBlock fileWith (std::initializer_list<std::pair<std::string, std::string>> values)
    {
        std::string text ("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<PROPERTIES>\n");
        for (const auto& [key, value] : values)
            text += "  <VALUE name=\"" + key + "\" val=\"" + value + "\"/>\n";
        return bytesOf (text + "</PROPERTIES>\n");
    }

    // Unique across the test processes that ctest runs side by side.
    const juce::File home = juce::File::getSpecialLocation (juce::File::tempDirectory)
                                .getChildFile ("keystead-home-" + juce::Uuid().toString());
    const juce::String previousHome = juce::SystemStats::getEnvironmentVariable ("HOME", {});
};
