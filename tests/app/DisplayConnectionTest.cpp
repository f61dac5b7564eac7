// The framework's X declarations (its display object) come only with this switch.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include <cstdlib>
#include <string>

#include <gtest/gtest.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include "app/DisplayConnection.h"

// A display that refuses the framework's connection (a server busy with many clients connecting
// at once) leaves the framework's display object without one for good; the program's opening
// makes it anew, so a display that answers on a later attempt is opened.
TEST (DisplayConnection, TheFrameworksConnectionRefusedOnceIsMadeAgain)
{
    const char* shown = std::getenv ("DISPLAY");
    if (shown == nullptr)
        GTEST_SKIP() << "needs an X display";
    const std::string display = shown;

    juce::XWindowSystem::deleteInstance();
    ::setenv ("DISPLAY", ":9999", 1);  // no server: refused, as a busy one now and then refuses
    EXPECT_FALSE (juce::XWindowSystem::getInstance()->isX11Available());
    EXPECT_FALSE (DisplayConnection::OpenForTheFramework());

    ::setenv ("DISPLAY", display.c_str(), 1);
    EXPECT_TRUE (DisplayConnection::OpenForTheFramework());
    EXPECT_TRUE (juce::XWindowSystem::getInstance()->isX11Available());
}
