// The program's entry: the framework's standard application main around Keystead, after a check
// that there is a display to show it on.
#include <cstdio>
#include <cstdlib>

#include "app/DisplayConnection.h"
#include "app/KeysteadApplication.h"

JUCE_CREATE_APPLICATION_DEFINE (KeysteadApplication)

extern "C" int main (int argc, char* argv[])
{
    // Without a display the framework would crash building the first window (over ssh, say).
    if (! DisplayConnection::CanOpen())
    {
        const char* display = std::getenv ("DISPLAY");
        std::fprintf (stderr, "Keystead: no X display could be opened (DISPLAY is %s%s%s)\n",
                      display != nullptr ? "\"" : "", display != nullptr ? display : "not set",
                      display != nullptr ? "\"" : "");
        return 1;
    }

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
