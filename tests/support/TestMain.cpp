#include <gtest/gtest.h>

#include <juce_gui_basics/juce_gui_basics.h>

namespace
{
    // JUCE reports assertions through the logger (JUCE_LOG_ASSERTIONS); each one fails the test in
    // which it fired, so a framework misuse never passes silently.
    class AssertionFailingLogger : public juce::Logger
    {
    public:
        AssertionFailingLogger() { juce::Logger::setCurrentLogger (this); }
        ~AssertionFailingLogger() override { juce::Logger::setCurrentLogger (nullptr); }

        void logMessage (const juce::String& message) override
        {
            if (message.startsWith ("JUCE Assertion failure"))
                ADD_FAILURE() << message;
        }
    };
}

int main (int argc, char** argv)
{
    ::testing::InitGoogleTest (&argc, argv);

    juce::ScopedJuceInitialiser_GUI juce;
    AssertionFailingLogger logger;
    return RUN_ALL_TESTS();
}
