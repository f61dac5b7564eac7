#pragma once

#include <cstddef>

/** Counts the heap allocations made on the current thread while it lives.

    The test programs replace the global allocation functions; an allocation is counted only on
    a thread that has a counter active, so the rest of the program is untouched.
*/
class ScopedAllocationCounter
{
public:
    ScopedAllocationCounter() noexcept;
    ~ScopedAllocationCounter();

    ScopedAllocationCounter (const ScopedAllocationCounter&) = delete;
    ScopedAllocationCounter& operator= (const ScopedAllocationCounter&) = delete;

    std::size_t count() const noexcept;

private:
    std::size_t startCount;
    bool wasActive;
};
