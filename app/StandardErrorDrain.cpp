#include "app/StandardErrorDrain.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>

#include <juce_core/juce_core.h>

#if JUCE_LINUX || JUCE_BSD
 #include <csignal>
 #include <fcntl.h>
 #include <poll.h>
 #include <sys/ioctl.h>
 #include <sys/socket.h>
 #include <sys/stat.h>
 #include <unistd.h>
#endif

#if defined (__SANITIZE_ADDRESS__) || defined (__SANITIZE_THREAD__)
 #define KEYSTEAD_SANITIZERS_REPORT 1
 #include <sanitizer/common_interface_defs.h>
#endif

namespace
{
    // Long enough for a reader that has just been started; short enough that a standard error
    // that never drains barely holds up the end.
    constexpr std::chrono::milliseconds flushBound { 1000 };

    // Made once by Install and never destroyed: the process may write to stderr to its last moment.
    std::atomic<StandardErrorDrain*> installed { nullptr };
}

void StandardErrorDrain::Install()
{
   #if JUCE_LINUX || JUCE_BSD
    jassert (installed == nullptr);
    int ends[2] { -1, -1 };

    if (::pipe2 (ends, O_CLOEXEC) != 0)
        return;

    const int real = ::fcntl (STDERR_FILENO, F_DUPFD_CLOEXEC, 3);

    if (real < 0 || ::fcntl (ends[1], F_SETFL, O_NONBLOCK) != 0 || ::dup2 (ends[1], STDERR_FILENO) < 0)
    {
        for (const int descriptor : { ends[0], ends[1], real })
            if (descriptor >= 0)
                ::close (descriptor);
        return;
    }

    ::close (ends[1]);

   #if KEYSTEAD_SANITIZERS_REPORT
    // A sanitizer's report ends the process right after it is written: it goes straight to the
    // real standard error, which in a checking build may wait.
    if (const int report = ::fcntl (real, F_DUPFD_CLOEXEC, 3); report >= 0)
        __sanitizer_set_report_fd (reinterpret_cast<void*> (static_cast<std::intptr_t> (report)));
   #endif

    installed = new StandardErrorDrain (ends[0], real);
    std::atexit ([] { installed.load()->Flush (flushBound); });
   #endif
}

void StandardErrorDrain::EndProcess (int status)
{
    if (auto* drain = installed.load())
        drain->Flush (flushBound);

    ::_exit (status);
}

StandardErrorDrain::StandardErrorDrain (int sourceToUse, int destinationToUse)
    : source (sourceToUse), destination (destinationToUse)
{
   #if JUCE_LINUX || JUCE_BSD
    ::fcntl (source, F_SETFL, ::fcntl (source, F_GETFL) | O_NONBLOCK);

    struct stat info {};

    if (::fstat (destination, &info) == 0)
    {
        sendsToSocket = S_ISSOCK (info.st_mode);

        // A pipe or a terminal is opened anew, so that this thread's writes can be non-blocking
        // without making those of everyone who shares the descriptor (the shell) so too. Where
        // the system refuses, this thread writes to it only when it says it can take a little.
        if (S_ISFIFO (info.st_mode) || ::isatty (destination))
        {
            const auto path = "/proc/self/fd/" + std::to_string (destination);
            const int own = ::open (path.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);

            if (own >= 0)
            {
                ::close (destination);
                destination = own;
            }
        }
    }

    if (::pipe2 (wakeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        wakeEnds[0] = wakeEnds[1] = -1;

    // The thread takes no signal: a quit signal goes to a thread that handles it, and the SIGPIPE
    // of a write to a destination whose reader has gone stays pending here, harmless.
    sigset_t all {}, previous {};
    sigfillset (&all);
    ::pthread_sigmask (SIG_SETMASK, &all, &previous);
    thread = std::thread ([this] { run(); });
    ::pthread_sigmask (SIG_SETMASK, &previous, nullptr);
   #endif
}

StandardErrorDrain::~StandardErrorDrain()
{
   #if JUCE_LINUX || JUCE_BSD
    stopping = true;
    const char byte = 1;

    if (wakeEnds[1] >= 0)
        [[maybe_unused]] const auto written = ::write (wakeEnds[1], &byte, 1);

    if (thread.joinable())
        thread.join();

    for (const int descriptor : { source, destination, wakeEnds[0], wakeEnds[1] })
        if (descriptor >= 0)
            ::close (descriptor);
   #endif
}

bool StandardErrorDrain::Flush (std::chrono::milliseconds bound)
{
    std::unique_lock<std::mutex> held (lock);
    return progressed.wait_for (held, bound, [this] { return drained(); });
}

bool StandardErrorDrain::drained() const
{
   #if JUCE_LINUX || JUCE_BSD
    int unread = 0;
    return destinationGone || (pending.empty() && ::ioctl (source, FIONREAD, &unread) == 0 && unread == 0);
   #else
    return true;
   #endif
}

void StandardErrorDrain::run()
{
   #if JUCE_LINUX || JUCE_BSD
    bool sourceOpen = true;

    while (! stopping)
    {
        const bool waiting = ! pending.empty() && ! destinationGone;
        pollfd descriptors[] { { wakeEnds[0], POLLIN, 0 },
                               { sourceOpen ? source : -1, POLLIN, 0 },
                               { waiting ? destination : -1, POLLOUT, 0 } };

        // Without its own pipe to be woken by, the thread looks for its end now and then.
        if (::poll (descriptors, std::size (descriptors), wakeEnds[0] >= 0 ? -1 : 100) < 0)
            continue;

        if (descriptors[1].revents != 0)
            sourceOpen = readSource();

        if (descriptors[2].revents != 0)
            writeDestination();

        progressed.notify_all();
    }
   #endif
}

bool StandardErrorDrain::readSource()
{
   #if JUCE_LINUX || JUCE_BSD
    char bytes[16384];
    const std::lock_guard<std::mutex> held (lock);
    const auto count = ::read (source, bytes, sizeof (bytes));

    if (count == 0)
        return false;

    if (count < 0 || destinationGone)
        return true;

    pending.append (bytes, (size_t) count);

    // The newest lines are kept: a program's last words say how it ended.
    if (pending.size() > keptBytes)
    {
        const auto excess = pending.size() - keptBytes;
        const auto lineEnd = pending.find ('\n', excess - 1);
        pending.erase (0, lineEnd == std::string::npos ? excess : lineEnd + 1);
    }
   #endif
    return true;
}

void StandardErrorDrain::writeDestination()
{
   #if JUCE_LINUX || JUCE_BSD
    // At most what a pipe takes whole once it has room, for a destination that may block.
    const auto size = std::min (pending.size(), (size_t) PIPE_BUF);
    const auto written = sendsToSocket ? ::send (destination, pending.data(), size, MSG_DONTWAIT | MSG_NOSIGNAL)
                                       : ::write (destination, pending.data(), size);
    const bool later = written >= 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
    const std::lock_guard<std::mutex> held (lock);

    if (written > 0)
        pending.erase (0, (size_t) written);

    if (! later)
    {
        destinationGone = true;
        pending.clear();
    }
   #endif
}
