#pragma once

#include <functional>
#include <thread>

#include <juce_events/juce_events.h>

/** Turns the termination signals that a session's end sends (SIGTERM from kill, a logout or a
    system shut-down; SIGHUP when the terminal closes; SIGINT from Ctrl+C) into a quit request on
    the message thread, so they end the program through its orderly shut-down instead of killing it.

    The signal handler only writes one byte into a pipe, which is safe inside a handler; the
    message loop watches the pipe's other end and calls onQuit there. While there is nothing to
    save (before the message loop has run, when no value can have changed yet, and once the
    shut-down has written the settings) the signal instead ends the process at once, as it would
    without a handler: a start-up or a shut-down stuck in a frozen audio server must not outlast it.
    A signal that is ignored when the object is made (nohup, a script's background job) is left
    ignored. The previous handlers come back when the object goes. One object at a time per process.

    A message thread stuck waiting (on a frozen X server, say) must not outlast a quit signal
    either, but one that is saving the settings is not stuck: a slow disk (a USB stick, a network
    home) can take seconds to sync the file, and a save under way is never cut short. So after a
    quit signal, if the message loop stops coming round for three seconds while no save is under
    way, onUnanswered is called on a thread of this object's own, so it may only do what needs no
    message thread (cut the connection the message thread waits on); if two seconds later the
    settings are still neither saved nor being saved, the process ends with status 1 and a line
    on stderr. Once they are saved, the rest of the shut-down is given five seconds before the
    process ends with the save's status and a line on stderr. */
class QuitSignals
{
public:
    QuitSignals (std::function<void()> onQuit, std::function<void()> onUnanswered);
    ~QuitSignals();

    /** Whether the signal is ignored now (as the caller can ask before the program starts). */
    static bool IsIgnored (int signal);

    /** The settings are being written: the watchdog waits for that, however long it takes. */
    void SaveUnderWay();

    /** The settings are written (or failed to be, with the status given). From now on a quit
        signal ends the process at once, and a shut-down that the watchdog has to cut short ends
        with that status. */
    void NothingLeftToSave (int exitStatus);

private:
    void pipeReadable();

    std::function<void()> onQuit;
    int pipeEnds[2] { -1, -1 };
    bool handled[3] {};
    std::thread watchdog;

    JUCE_DECLARE_NON_COPYABLE (QuitSignals)
};
