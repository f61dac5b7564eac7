#pragma once

/** Whether the X server shows the native window (it is mapped and viewable). Kept apart from
    the framework's headers, with which Xlib's macros collide. */
bool isNativeWindowMapped (void* nativeHandle);
