#include "tests/app/XWindowState.h"

#include <cstdint>

#include <X11/Xlib.h>

bool isNativeWindowMapped (void* nativeHandle)
{
    auto* display = XOpenDisplay (nullptr);

    if (display == nullptr)
        return false;

    XWindowAttributes attributes {};
    const auto status = XGetWindowAttributes (display, (::Window) reinterpret_cast<std::uintptr_t> (nativeHandle), &attributes);
    XCloseDisplay (display);
    return status != 0 && attributes.map_state == IsViewable;
}
