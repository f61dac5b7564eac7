// The app tests' own entry: the shared test main plus an X error handler. These tests open
// real windows; under a bare X server (no window manager) the first unknown atom would make
// Xlib's default handler end the process.
#include <cstdlib>

#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include <X11/Xlib.h>

namespace
{
    class AssertionFailingLogger : public juce::Logger
    {
    public:
        void logMessage (const juce::String& message) override
        {
            if (message.startsWith ("JUCE Assertion failure"))
                ADD_FAILURE() << message;
        }
    };

    int ignoreXError (Display*, XErrorEvent*) { return 0; }
}

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);

    if (std::getenv ("DISPLAY") != nullptr)
        XSetErrorHandler (ignoreXError);

    juce::ScopedJuceInitialiser_GUI juce;
    AssertionFailingLogger logger;
    juce::Logger::setCurrentLogger (&logger);

    const int result = RUN_ALL_TESTS();

    juce::Logger::setCurrentLogger (nullptr);
    return result;
}
