#include <algorithm>
#include <future>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/StandardErrorDrain.h"

namespace
{
    using namespace std::chrono_literals;

    enum class Reader { reads, fullReadsLater, gone };

    struct Row
    {
        const char* name;
        Reader reader;
        int lines;
    };

    const Row rows[] {
        { "takes it at once", Reader::reads, 100 },
        { "full, read later", Reader::fullReadsLater, 100 },
        { "full, more than is kept", Reader::fullReadsLater, 5000 },
        { "its reader gone", Reader::gone, 100 },
    };

    // Fills a pipe to the brim; the bytes it took.
    size_t fill (int writeEnd)
    {
        ::fcntl (writeEnd, F_SETFL, O_NONBLOCK);
        const std::string block (4096, 'f');
        size_t filled = 0;
        for (size_t size : { block.size(), size_t (1) })
            for (ssize_t n; (n = ::write (writeEnd, block.data(), size)) > 0;)
                filled += (size_t) n;
        ::fcntl (writeEnd, F_SETFL, 0);
        return filled;
    }

    // Whether the pipe took a write within a generous bound.
    bool writable (int descriptor)
    {
        pollfd one { descriptor, POLLOUT, 0 };
        return ::poll (&one, 1, 10000) == 1;
    }
}

// Whatever the real standard error does, the drain keeps reading what the program writes; it gives
// what it kept (the newest lines, whole) once the real one takes it, and Flush waits for that.
TEST (StandardErrorDrain, KeepsReadingAndForwardsWhatTheRealStandardErrorTakes)
{
    for (const auto& row : rows)
    {
        SCOPED_TRACE (row.name);
        int source[2], destination[2];
        ASSERT_EQ (::pipe2 (source, O_CLOEXEC | O_NONBLOCK), 0);
        ASSERT_EQ (::pipe2 (destination, O_CLOEXEC), 0);
        const size_t filler = row.reader == Reader::fullReadsLater ? fill (destination[1]) : 0;
        if (row.reader == Reader::gone)
            ::close (destination[0]);

        std::string written;
        size_t longest = 0;
        {
            StandardErrorDrain drain (source[0], destination[1]);
            for (int i = 0; i < row.lines; ++i)
            {
                const auto line = "line " + std::to_string (i) + " of what the program wrote\n";
                // The source would fill if the drain stopped reading while the destination is full.
                ASSERT_TRUE (writable (source[1])) << "line " << i;
                ASSERT_EQ (::write (source[1], line.data(), line.size()), (ssize_t) line.size());
                written += line;
                longest = std::max (longest, line.size());
            }

            if (row.reader == Reader::gone)
            {
                EXPECT_TRUE (drain.Flush (10s));  // dropped, and no SIGPIPE ended the test
                ::close (source[1]);
                continue;
            }

            if (row.reader == Reader::fullReadsLater)
            {
                EXPECT_FALSE (drain.Flush (50ms));
            }

            // Read until the drain says all went, and then what it wrote before it said so.
            auto flushed = std::async (std::launch::async, [&] { return drain.Flush (10s); });
            const auto deadline = std::chrono::steady_clock::now() + 20s;
            std::string seen;
            for (char bytes[4096];;)
            {
                pollfd one { destination[0], POLLIN, 0 };
                if (::poll (&one, 1, 50) == 1)
                    seen.append (bytes, (size_t) std::max (::read (destination[0], bytes, sizeof (bytes)),
                                                           ssize_t (0)));
                else if (flushed.wait_for (0s) == std::future_status::ready
                         || std::chrono::steady_clock::now() > deadline)
                    break;
            }
            EXPECT_TRUE (flushed.get());
            ASSERT_GE (seen.size(), filler);
            seen.erase (0, filler);

            if (written.size() <= StandardErrorDrain::keptBytes)
            {
                EXPECT_EQ (seen, written);
            }
            else
            {
                EXPECT_LE (seen.size(), StandardErrorDrain::keptBytes);
                EXPECT_GT (seen.size() + longest, StandardErrorDrain::keptBytes);
                EXPECT_EQ (written.substr (written.size() - seen.size()), seen);
                EXPECT_EQ (written[written.size() - seen.size() - 1], '\n') << "a line cut at its start";
            }
        }
        ::close (source[1]);
        ::close (destination[0]);
    }
}
