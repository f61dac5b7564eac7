// The X parts of the shared support, apart from the test files: Xlib's macros collide with names
// in the framework's classes, so Xlib comes after them here.
#include "tests/app/AppTestSupport.h"

#include <X11/Xlib.h>

static Display* display = nullptr;

bool connectToXServer()
{
    XSetErrorHandler ([] (Display*, XErrorEvent*) { return 0; });
    for (int attempt = 0; display == nullptr && attempt < 50 && std::getenv ("DISPLAY") != nullptr; ++attempt)
        if ((display = XOpenDisplay (nullptr)) == nullptr)
            juce::Thread::sleep (100);
    return display != nullptr && juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
}

bool isShownByX (juce::Component& window)
{
    auto* peer = window.getPeer();
    XWindowAttributes attributes {};
    if (peer == nullptr || display == nullptr)
        return false;

    const auto handle = (::Window) reinterpret_cast<juce::pointer_sized_uint> (peer->getNativeHandle());
    return XGetWindowAttributes (display, handle, &attributes) != 0 && attributes.map_state == IsViewable;
}
