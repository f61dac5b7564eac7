#include "app/QuitSignals.h"

#include <atomic>

#if JUCE_LINUX || JUCE_BSD
 #include <cerrno>
 #include <csignal>
 #include <fcntl.h>
 #include <unistd.h>
#endif

namespace
{
   #if JUCE_LINUX || JUCE_BSD
    constexpr int quitSignals[] { SIGTERM, SIGHUP, SIGINT };

    // Set before the handlers are installed and cleared after they are removed.
    volatile std::sig_atomic_t writeEnd = -1;
    volatile std::sig_atomic_t endsAtOnce = 1;
    struct sigaction previousActions[std::size (quitSignals)];

    // Tells the message loop's first message from one that an earlier object left queued.
    std::atomic<int> generation { 0 };

    extern "C" void onQuitSignal (int signal)
    {
        if (endsAtOnce != 0)
        {
            // The signal stays blocked until this handler returns, and then has its default effect.
            ::signal (signal, SIG_DFL);
            ::raise (signal);
            return;
        }

        const int savedErrno = errno;
        const char byte = 1;

        // A full pipe already holds a request that the message loop has yet to see.
        [[maybe_unused]] const auto written = ::write (writeEnd, &byte, 1);
        errno = savedErrno;
    }
   #endif
}

QuitSignals::QuitSignals (std::function<void()> onQuitToUse)
    : onQuit (std::move (onQuitToUse))
{
   #if JUCE_LINUX || JUCE_BSD
    JUCE_ASSERT_MESSAGE_THREAD
    jassert (writeEnd == -1);

    if (::pipe2 (pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        pipeEnds[0] = pipeEnds[1] = -1;
        return;
    }

    writeEnd = pipeEnds[1];
    endsAtOnce = 1;
    juce::MessageManager::callAsync ([ours = ++generation]
    {
        if (ours == generation)
            endsAtOnce = 0;
    });

    juce::LinuxEventLoop::registerFdCallback (pipeEnds[0], [this] (int) { pipeReadable(); });

    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset (&action.sa_mask);

    for (size_t i = 0; i < std::size (quitSignals); ++i)
        ::sigaction (quitSignals[i], &action, &previousActions[i]);
   #endif
}

QuitSignals::~QuitSignals()
{
   #if JUCE_LINUX || JUCE_BSD
    if (pipeEnds[0] < 0)
        return;

    for (size_t i = 0; i < std::size (quitSignals); ++i)
        ::sigaction (quitSignals[i], &previousActions[i], nullptr);

    writeEnd = -1;
    endsAtOnce = 1;
    ++generation;
    juce::LinuxEventLoop::unregisterFdCallback (pipeEnds[0]);
    ::close (pipeEnds[0]);
    ::close (pipeEnds[1]);
   #endif
}

void QuitSignals::NothingLeftToSave()
{
   #if JUCE_LINUX || JUCE_BSD
    endsAtOnce = 1;
   #endif
}

void QuitSignals::pipeReadable()
{
   #if JUCE_LINUX || JUCE_BSD
    // Several signals before the loop came round are one request.
    char bytes[64];

    while (::read (pipeEnds[0], bytes, sizeof (bytes)) > 0)
    {
    }

    if (onQuit != nullptr)
        onQuit();
   #endif
}
