#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

/** Forwards what is written into a pipe to another descriptor (the real standard error) on a
    thread of its own, and never waits on that descriptor: what it cannot take now (a pipe nobody
    reads, a terminal stopped with Ctrl+S) is kept, the newest 64 KiB in whole lines, and given
    again once it can; when it is gone (a pipe whose reader has left) what comes is dropped, and
    its SIGPIPE falls on this thread, which blocks it, so it never ends the program.

    Install puts such a pipe in place of the program's descriptor 2, so that nothing the program
    or its libraries write to stderr can hold up the thread that writes it: the message thread,
    or the watchdog that ends a quit the display holds up. */
class StandardErrorDrain
{
public:
    /** Descriptor 2 becomes the write end of a pipe of the program's own (non-blocking, so a
        writer never waits even should this thread fall behind), drained into what descriptor 2
        was. What is still on its way when the process calls exit is flushed first, for a second
        at most. Call once, first thing in main, with descriptors 0 to 2 open; where the system
        refuses a pipe or a descriptor, descriptor 2 is left as it is. */
    static void Install();

    /** Gives what was written to descriptor 2 so far a second to reach the real standard error
        (when Install ran), then ends the process at once, with no exit handlers: for the ends
        that must not wait on the rest of the program. Any thread. */
    [[noreturn]] static void EndProcess (int status);

    /** Drains source (the read end of a pipe, made non-blocking) into destination; owns both. */
    StandardErrorDrain (int source, int destination);
    ~StandardErrorDrain();

    /** Waits until everything written into the source so far has been written to the destination,
        or dropped because the destination is gone, or the bound has passed; whether it has. */
    bool Flush (std::chrono::milliseconds bound);

    /** The most kept for a destination that does not take it now. */
    static constexpr size_t keptBytes = 64 * 1024;

private:
    void run();
    bool readSource();
    void writeDestination();
    bool drained() const;

    const int source;
    int destination;
    int wakeEnds[2] { -1, -1 };
    bool sendsToSocket = false;

    // The drain's thread alone changes these, under the lock, so that Flush sees every byte either
    // still in the source or kept here; it reads pending unlocked while it writes.
    mutable std::mutex lock;
    std::condition_variable progressed;
    std::string pending;
    bool destinationGone = false;

    std::atomic<bool> stopping { false };
    std::thread thread;

    StandardErrorDrain (const StandardErrorDrain&) = delete;
    StandardErrorDrain& operator= (const StandardErrorDrain&) = delete;
};
