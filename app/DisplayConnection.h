#pragma once

#include <functional>

/** The program's hold on the X display, for the ways it can fail without the framework ending
    the process cleanly.

    Without any display the framework's first window crashes the process, and on a display it
    cannot draw on it shows no window and runs on for ever; Check lets the entry say so first.
    When the connection is lost (a logout, an X server that crashed or was killed), Xlib ends the
    process right after its I/O-error handler returns, so the shut-down never runs: while an
    object of this class lives, that handler first calls onLoss, which needs no display, then
    hands over to the framework's handler; the process then ends with status 1 without running
    anything more of the program. One object at a time per process, on the message thread,
    created after the framework has opened its display. */
class DisplayConnection
{
public:
    enum class Availability { usable, cannotOpen, noColourVisual };

    /** Whether the X display that DISPLAY names can be opened now and offers a visual the
        framework can draw with (16, 24 or 32 bits of colour; an 8-bit display has none). */
    static Availability Check();

    /** The one line on stderr that says why the program cannot show its window. */
    static void SayUnavailable (Availability availability);

    /** Makes the framework's own connection to the display, on the message thread before anything
        else asks the framework for it. The framework tries to open it only twice in a row, and a
        server that many clients connect to at once can refuse both (so the framework would build
        windows with no connection, and crash); this tries again, as Check does. Whether the
        framework has its connection. */
    static bool OpenForTheFramework();

    /** From any thread, even with the message thread stuck waiting on a frozen X server: shuts
        the connection's socket, so that the wait ends in Xlib's I/O error and the loss is
        handled as above, except that the process ends with status 0 when onLoss says it kept what
        it had to (the settings saved): the cut is on purpose. */
    static void CutOff();

    explicit DisplayConnection (std::function<bool()> onLoss);
    ~DisplayConnection();

    DisplayConnection (const DisplayConnection&) = delete;
    DisplayConnection& operator= (const DisplayConnection&) = delete;
};
