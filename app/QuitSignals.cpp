#include "app/QuitSignals.h"

#include "app/StandardErrorDrain.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <optional>

#if JUCE_LINUX || JUCE_BSD
 #include <cerrno>
 #include <csignal>
 #include <fcntl.h>
 #include <semaphore.h>
 #include <unistd.h>
#endif

namespace
{
   #if JUCE_LINUX || JUCE_BSD
    constexpr int quitSignals[] { SIGTERM, SIGHUP, SIGINT };

    // Shared with the handler and the watchdog; lock-free, so safe inside a handler.
    static_assert (std::atomic<int>::is_always_lock_free);

    // Set before the handlers are installed and cleared after they are removed.
    std::atomic<int> writeEnd { -1 };
    std::atomic<int> endsAtOnce { 1 };
    std::atomic<int> statusAfterSave { 0 };
    struct sigaction previousActions[std::size (quitSignals)];

    // Posted by the handler (sem_post is safe there) to start the watchdog.
    sem_t quitRequested;
    std::atomic<bool> stopWatching { false };

    // Counted by messages the watchdog posts: the message loop still comes round.
    std::atomic<int> probesAnswered { 0 };

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
        ::sem_post (&quitRequested);
        errno = savedErrno;
    }

    // Set by the message thread while it writes the settings, and cleared after endsAtOnce is set.
    std::atomic<bool> saveUnderWay { false };

    // Whether done() came true (or the object went) within the time given; with no bound, waits
    // until it does.
    template <typename Condition>
    bool within (std::optional<std::chrono::milliseconds> bound, Condition done)
    {
        const auto deadline = std::chrono::steady_clock::now() + bound.value_or (std::chrono::milliseconds (0));

        while (! done() && ! stopWatching && (! bound.has_value() || std::chrono::steady_clock::now() < deadline))
            std::this_thread::sleep_for (std::chrono::milliseconds (20));

        return done() || stopWatching;
    }

    void watch (const std::function<void()>& onUnanswered)
    {
        int waited = 0;

        while ((waited = ::sem_wait (&quitRequested)) != 0 && errno == EINTR)
        {
        }

        if (waited != 0 || stopWatching)
            return;

        const auto saved = [] { return endsAtOnce != 0; };
        const auto savingOrSaved = [&] { return saveUnderWay || saved(); };
        constexpr std::optional<std::chrono::milliseconds> noBound;

        // While the message loop comes round it is on its way to the shut-down (or, in a test,
        // taking requests without quitting); then the shut-down saves, for as long as the disk
        // takes. Only a message thread that does neither for three seconds is stuck.
        bool stuck = false;

        while (! saved() && ! stopWatching)
        {
            if (saveUnderWay)
            {
                within (noBound, [&] { return ! saveUnderWay; });
                continue;
            }

            const int answeredBefore = probesAnswered;
            juce::MessageManager::callAsync ([] { ++probesAnswered; });
            const auto cameRound = [&] { return probesAnswered != answeredBefore || savingOrSaved(); };

            if (! within (std::chrono::seconds (3), cameRound))
            {
                stuck = true;
                break;
            }

            within (std::chrono::milliseconds (100), savingOrSaved);
        }

        if (stuck)
        {
            if (onUnanswered != nullptr)
                onUnanswered();

            // The cut ends the stuck wait as a lost display does, whose handler saves.
            if (! within (std::chrono::seconds (2), savingOrSaved))
            {
                std::fputs ("Keystead: the program did not answer the quit request, nor begin to save its settings;"
                            " it ends without saving them.\n", stderr);
                StandardErrorDrain::EndProcess (1);
            }

            within (noBound, saved);
        }

        // Saved (or failed to); the rest of the shut-down closes the audio device within four
        // seconds, and then has nothing left that ending here would lose.
        if (! within (std::chrono::seconds (5), [] { return false; }))
        {
            std::fputs (statusAfterSave == 0
                            ? "Keystead: the settings were saved, but the rest of the shut-down did not finish within"
                              " five seconds (a frozen X display?); the program ends without it.\n"
                            : "Keystead: the rest of the shut-down did not finish within five seconds (a frozen X"
                              " display?); the program ends without it.\n",
                        stderr);
            StandardErrorDrain::EndProcess (statusAfterSave);
        }
    }
   #endif
}

QuitSignals::QuitSignals (std::function<void()> onQuitToUse, std::function<void()> onUnanswered)
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

    if (::sem_init (&quitRequested, 0, 0) != 0)
    {
        ::close (pipeEnds[0]);
        ::close (pipeEnds[1]);
        pipeEnds[0] = pipeEnds[1] = -1;
        return;
    }

    writeEnd = pipeEnds[1];
    endsAtOnce = 1;
    saveUnderWay = false;
    juce::MessageManager::callAsync ([ours = ++generation]
    {
        if (ours == generation)
            endsAtOnce = 0;
    });

    juce::LinuxEventLoop::registerFdCallback (pipeEnds[0], [this] (int) { pipeReadable(); });

    stopWatching = false;
    watchdog = std::thread ([onUnanswered = std::move (onUnanswered)] { watch (onUnanswered); });

    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    action.sa_flags = SA_RESTART;
    sigemptyset (&action.sa_mask);

    for (size_t i = 0; i < std::size (quitSignals); ++i)
        if ((handled[i] = ! IsIgnored (quitSignals[i])))
            ::sigaction (quitSignals[i], &action, &previousActions[i]);
   #endif
}

QuitSignals::~QuitSignals()
{
   #if JUCE_LINUX || JUCE_BSD
    if (pipeEnds[0] < 0)
        return;

    for (size_t i = 0; i < std::size (quitSignals); ++i)
        if (handled[i])
            ::sigaction (quitSignals[i], &previousActions[i], nullptr);

    writeEnd = -1;
    endsAtOnce = 1;
    ++generation;

    stopWatching = true;
    ::sem_post (&quitRequested);
    watchdog.join();
    ::sem_destroy (&quitRequested);

    juce::LinuxEventLoop::unregisterFdCallback (pipeEnds[0]);
    ::close (pipeEnds[0]);
    ::close (pipeEnds[1]);
   #endif
}

bool QuitSignals::IsIgnored ([[maybe_unused]] int signal)
{
   #if JUCE_LINUX || JUCE_BSD
    struct sigaction action {};
    return ::sigaction (signal, nullptr, &action) == 0
        && (action.sa_flags & SA_SIGINFO) == 0 && action.sa_handler == SIG_IGN;
   #else
    return false;
   #endif
}

void QuitSignals::SaveUnderWay()
{
   #if JUCE_LINUX || JUCE_BSD
    JUCE_ASSERT_MESSAGE_THREAD
    saveUnderWay = true;
   #endif
}

void QuitSignals::NothingLeftToSave (int exitStatus)
{
   #if JUCE_LINUX || JUCE_BSD
    JUCE_ASSERT_MESSAGE_THREAD
    statusAfterSave = exitStatus;
    endsAtOnce = 1;
    saveUnderWay = false;
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
