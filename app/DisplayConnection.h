#pragma once

#include <functional>

/** The program's hold on the X display, for the two ways it can fail without the framework
    ending the process cleanly.

    Without any display the framework's first window crashes the process; CanOpen lets the entry
    say so first. When the connection is lost (a logout, an X server that crashed or was killed),
    Xlib ends the process right after its I/O-error handler returns, so the shut-down never runs:
    while an object of this class lives, that handler first calls onLoss, which needs no display,
    then hands over to the framework's handler; the process then ends with status 1 without
    running anything more of the program. One object at a time per process, on the message
    thread, created after the framework has opened its display. */
class DisplayConnection
{
public:
    /** Whether the X display that DISPLAY names can be opened now. */
    static bool CanOpen();

    explicit DisplayConnection (std::function<void()> onLoss);
    ~DisplayConnection();

    DisplayConnection (const DisplayConnection&) = delete;
    DisplayConnection& operator= (const DisplayConnection&) = delete;
};
