// The program's entry: the framework's standard application main around Keystead, after a check
// that there is a display to show it on.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include "app/DisplayConnection.h"
#include "app/KeysteadApplication.h"
#include "app/QuitSignals.h"
#include "app/StandardErrorDrain.h"

JUCE_CREATE_APPLICATION_DEFINE (KeysteadApplication)

namespace
{
    // A caller can leave descriptor 0, 1 or 2 closed (`Keystead 2>&-`, a careless launcher); the
    // next files opened (the message queue's socket, the X connection) would then take them, and
    // whatever a library writes to "stderr" (the JACK library's errors) would go into those.
    void OpenClosedStandardStreams()
    {
        for (int descriptor = 0; descriptor <= 2; ++descriptor)
        {
            if (::fcntl (descriptor, F_GETFD) != -1 || errno != EBADF)
                continue;

            // The lower ones are open by now, so the lowest free descriptor is this one.
            const int opened = ::open ("/dev/null", O_RDWR);

            if (opened > descriptor)
            {
                ::dup2 (opened, descriptor);
                ::close (opened);
            }
        }
    }

    // Before the static initialisers of the program (the framework's, in a debug build, writes its
    // version to stderr) and so before anything else opens a descriptor. A standard error that does
    // not drain (a pipe nobody reads, a terminal stopped with Ctrl+S) would otherwise stop whichever
    // thread writes to it first: the JACK library's lines at the start, the framework's logged
    // assertions, the quit's watchdog.
    [[gnu::constructor (101)]] void PrepareStandardStreams()
    {
        OpenClosedStandardStreams();
        StandardErrorDrain::Install();
    }
}

extern "C" int main (int argc, char* argv[])
{
    // Without a display the framework would crash building the first window (over ssh, say), and
    // on one it cannot draw on it would show nothing and run on.
    const auto availability = DisplayConnection::Check();

    if (availability != DisplayConnection::Availability::usable)
    {
        DisplayConnection::SayUnavailable (availability);
        return 1;
    }

    // A SIGINT the caller ignores (a background job of a script) stays ignored: the framework sets
    // a SIGINT handler of its own when it makes the message manager of an application it knows of,
    // so the manager is then made before the application is named.
    if (QuitSignals::IsIgnored (SIGINT))
    {
        juce::MessageManager::getInstance();
        juce::Thread::setCurrentThreadName ("JUCE Message Thread");
    }

    juce::JUCEApplicationBase::createInstance = &juce_CreateApplication;
    return juce::JUCEApplicationBase::main (argc, (const char**) argv);
}
