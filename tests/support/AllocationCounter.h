#pragma once

#include <cstddef>

// Counts the heap allocations made on the current thread while it lives: every operator new and every
// call of the C allocation functions (malloc, calloc, realloc and the aligned ones, strdup), which the
// framework's containers and HeapBlock use. The test programs replace the global operator new and are
// linked with the C functions wrapped (see AllocationCounter.cpp); an allocation is counted only on a
// thread with a counter active.
class ScopedAllocationCounter
{
public:
    ScopedAllocationCounter() noexcept : startCount (allocationsOnThisThread), wasActive (countingActive)
    {
        countingActive = true;
    }
    ~ScopedAllocationCounter() { countingActive = wasActive; }

    std::size_t count() const noexcept { return allocationsOnThisThread - startCount; }

    // Kept by the allocation functions.
    static inline thread_local bool countingActive = false;
    static inline thread_local std::size_t allocationsOnThisThread = 0;

private:
    const std::size_t startCount;
    const bool wasActive;
};
