#pragma once

#include <functional>

#include <juce_events/juce_events.h>

/** Turns the termination signals that a session's end sends (SIGTERM from kill, a logout or a
    system shut-down; SIGHUP when the terminal closes; SIGINT from Ctrl+C) into a quit request on
    the message thread, so they end the program through its orderly shut-down instead of killing it.

    The signal handler only writes one byte into a pipe, which is safe inside a handler; the
    message loop watches the pipe's other end and calls onQuit there. While there is nothing to
    save (before the message loop has run, when no value can have changed yet, and once the
    shut-down has written the settings) the signal instead ends the process at once, as it would
    without a handler: a start-up or a shut-down stuck in a frozen audio server must not outlast it.
    The previous handlers come back when the object goes. One object at a time per process. */
class QuitSignals
{
public:
    explicit QuitSignals (std::function<void()> onQuit);
    ~QuitSignals();

    /** From now on a quit signal ends the process at once. */
    void NothingLeftToSave();

private:
    void pipeReadable();

    std::function<void()> onQuit;
    int pipeEnds[2] { -1, -1 };

    JUCE_DECLARE_NON_COPYABLE (QuitSignals)
};
