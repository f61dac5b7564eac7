// The program's entry: the framework's standard application main around Keystead.
#include "app/KeysteadApplication.h"

START_JUCE_APPLICATION (KeysteadApplication)
