// The framework's X declarations (its display and Xlib's types) come only with this switch.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "app/DisplayConnection.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include <dlfcn.h>
#include <sys/socket.h>
#include <unistd.h>

#include <juce_gui_basics/juce_gui_basics.h>

#include "app/StandardErrorDrain.h"

namespace
{
    using IOErrorHandler = int (*) (::Display*);
    using IOErrorExitHandler = void (*) (::Display*, void*);

    // Xlib as the framework loads it, by the same name: the same library, so the same handlers.
    template <typename Function>
    Function xlib (const char* name)
    {
        static void* const library = ::dlopen ("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        return library != nullptr ? reinterpret_cast<Function> (::dlsym (library, name)) : nullptr;
    }

    // A server busy with many clients connecting at once can refuse one now and then (the
    // framework tries twice at once for the same reason); only a display that stays unreachable
    // through these attempts is none.
    constexpr int openAttempts = 5;
    constexpr useconds_t betweenAttempts = 100 * 1000;

    std::function<bool()> onLoss;
    std::atomic<bool> lossHandled { false };
    IOErrorHandler frameworkHandler = nullptr;

    // The connection's socket while an object lives, for CutOff on any thread.
    std::atomic<int> connectionSocket { -1 };
    std::atomic<bool> cutOnPurpose { false };

    int onIOError (::Display* display)
    {
        if (auto call = std::exchange (onLoss, nullptr))
            lossHandled = call();

        return frameworkHandler != nullptr ? frameworkHandler (display) : 0;
    }

    // In place of Xlib's exit: no static destructor runs while the program's threads still do.
    void endProcess (::Display*, void*)
    {
        StandardErrorDrain::EndProcess (cutOnPurpose && lossHandled ? 0 : 1);
    }

    // The framework draws through a visual of 16 or 24 bits of any class, or a 32-bit true-colour
    // one (which it also needs shared memory for); without any it shows no window at all.
    bool hasColourVisual (::Display* display)
    {
        const auto defaultScreen = xlib<int (*) (::Display*)> ("XDefaultScreen");
        const auto getVisualInfo = xlib<XVisualInfo* (*) (::Display*, long, XVisualInfo*, int*)> ("XGetVisualInfo");
        const auto free = xlib<int (*) (void*)> ("XFree");

        if (defaultScreen == nullptr || getVisualInfo == nullptr || free == nullptr)
            return false;

        bool found = false;

        for (const int depth : { 16, 24, 32 })
        {
            XVisualInfo wanted {};
            wanted.screen = defaultScreen (display);
            wanted.depth = depth;
            wanted.c_class = TrueColor;
            const long mask = VisualScreenMask | VisualDepthMask | (depth == 32 ? VisualClassMask : 0);

            int count = 0;

            if (auto* visuals = getVisualInfo (display, mask, &wanted, &count))
            {
                found = found || count > 0;
                free (visuals);
            }
        }

        return found;
    }
}

DisplayConnection::Availability DisplayConnection::Check()
{
    const auto open = xlib<::Display* (*) (const char*)> ("XOpenDisplay");
    const auto close = xlib<int (*) (::Display*)> ("XCloseDisplay");

    if (open == nullptr || close == nullptr)
        return Availability::cannotOpen;

    ::Display* display = nullptr;

    for (int attempt = 0; attempt < openAttempts && display == nullptr; ++attempt)
        if ((display = open (nullptr)) == nullptr && attempt < openAttempts - 1)
            ::usleep (betweenAttempts);

    if (display == nullptr)
        return Availability::cannotOpen;

    const bool drawable = hasColourVisual (display);
    close (display);
    return drawable ? Availability::usable : Availability::noColourVisual;
}

void DisplayConnection::SayUnavailable (Availability availability)
{
    const char* display = std::getenv ("DISPLAY");
    const char* quote = display != nullptr ? "\"" : "";

    if (availability == Availability::noColourVisual)
        std::fprintf (stderr, "Keystead: the X display \"%s\" offers no 16, 24 or 32-bit colour visual"
                              " to draw a window with\n", display != nullptr ? display : "");
    else
        std::fprintf (stderr, "Keystead: no X display could be opened (DISPLAY is %s%s%s)\n",
                      quote, display != nullptr ? display : "not set", quote);
}

bool DisplayConnection::OpenForTheFramework()
{
    JUCE_ASSERT_MESSAGE_THREAD

    // A refused connection leaves the framework's display object without one for good: it is made
    // anew for each attempt.
    for (int attempt = 0; attempt < openAttempts; ++attempt)
    {
        if (juce::XWindowSystem::getInstance()->isX11Available())
            return true;

        juce::XWindowSystem::deleteInstance();

        if (attempt < openAttempts - 1)
            ::usleep (betweenAttempts);
    }

    return false;
}

void DisplayConnection::CutOff()
{
    const int socket = connectionSocket;

    if (socket < 0)
        return;

    cutOnPurpose = true;
    ::shutdown (socket, SHUT_RDWR);
}

DisplayConnection::DisplayConnection (std::function<bool()> onLossToUse)
{
    JUCE_ASSERT_MESSAGE_THREAD
    jassert (onLoss == nullptr);
    onLoss = std::move (onLossToUse);

    if (const auto setHandler = xlib<IOErrorHandler (*) (IOErrorHandler)> ("XSetIOErrorHandler"))
        frameworkHandler = setHandler (onIOError);

    // Xlib 1.8 and later only.
    const auto setExitHandler = xlib<void (*) (::Display*, IOErrorExitHandler, void*)> ("XSetIOErrorExitHandler");
    auto* system = juce::XWindowSystem::getInstanceWithoutCreating();

    if (setExitHandler != nullptr && system != nullptr && system->getDisplay() != nullptr)
        setExitHandler (system->getDisplay(), endProcess, nullptr);

    const auto connectionNumber = xlib<int (*) (::Display*)> ("XConnectionNumber");

    if (connectionNumber != nullptr && system != nullptr && system->getDisplay() != nullptr)
        connectionSocket = connectionNumber (system->getDisplay());
}

DisplayConnection::~DisplayConnection()
{
    JUCE_ASSERT_MESSAGE_THREAD

    if (const auto setHandler = xlib<IOErrorHandler (*) (IOErrorHandler)> ("XSetIOErrorHandler"))
        setHandler (frameworkHandler);

    connectionSocket = -1;
    frameworkHandler = nullptr;
    onLoss = nullptr;
}
