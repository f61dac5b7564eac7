// The framework's X declarations (its display and Xlib's types) come only with this switch.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "app/DisplayConnection.h"

#include <utility>

#include <dlfcn.h>
#include <unistd.h>

#include <juce_gui_basics/juce_gui_basics.h>

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

    std::function<void()> onLoss;
    IOErrorHandler frameworkHandler = nullptr;

    int onIOError (::Display* display)
    {
        if (auto call = std::exchange (onLoss, nullptr))
            call();

        return frameworkHandler != nullptr ? frameworkHandler (display) : 0;
    }

    // In place of Xlib's exit: no static destructor runs while the program's threads still do.
    void endProcess (::Display*, void*)
    {
        ::_exit (1);
    }
}

bool DisplayConnection::CanOpen()
{
    const auto open = xlib<::Display* (*) (const char*)> ("XOpenDisplay");
    const auto close = xlib<int (*) (::Display*)> ("XCloseDisplay");

    if (open == nullptr || close == nullptr)
        return false;

    // A server busy with many clients connecting at once can refuse one now and then (the
    // framework tries twice for the same reason); only a display that stays unreachable is none.
    ::Display* display = nullptr;

    for (int attempt = 0; attempt < 5 && display == nullptr; ++attempt)
        if ((display = open (nullptr)) == nullptr && attempt < 4)
            ::usleep (100 * 1000);

    if (display == nullptr)
        return false;

    close (display);
    return true;
}

DisplayConnection::DisplayConnection (std::function<void()> onLossToUse)
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
}

DisplayConnection::~DisplayConnection()
{
    JUCE_ASSERT_MESSAGE_THREAD

    if (const auto setHandler = xlib<IOErrorHandler (*) (IOErrorHandler)> ("XSetIOErrorHandler"))
        setHandler (frameworkHandler);

    frameworkHandler = nullptr;
    onLoss = nullptr;
}
