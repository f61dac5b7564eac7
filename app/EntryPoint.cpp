// The program's entry. The application shell arrives with its own issue; until then the
// program is a minimal application that hosts nothing, so that the build has a program target.
#include <juce_gui_basics/juce_gui_basics.h>

class KeysteadPlaceholderApplication : public juce::JUCEApplication
{
public:
    const juce::String getApplicationName() override    { return "Keystead"; }
    const juce::String getApplicationVersion() override { return "1.0.0"; }
    bool moreThanOneInstanceAllowed() override          { return true; }
    void initialise (const juce::String&) override      {}
    void shutdown() override                            {}
};

START_JUCE_APPLICATION (KeysteadPlaceholderApplication)
