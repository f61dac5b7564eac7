#include "support/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
    thread_local bool countingActive = false;
    thread_local std::size_t allocationsOnThisThread = 0;

    void* allocate (std::size_t size)
    {
        if (countingActive)
            ++allocationsOnThisThread;

        if (void* p = std::malloc (size == 0 ? 1 : size))
            return p;

        throw std::bad_alloc();
    }

    void* allocateAligned (std::size_t size, std::align_val_t alignment)
    {
        if (countingActive)
            ++allocationsOnThisThread;

        const auto align = static_cast<std::size_t> (alignment);
        const auto rounded = ((size == 0 ? 1 : size) + align - 1) / align * align;

        if (void* p = std::aligned_alloc (align, rounded))
            return p;

        throw std::bad_alloc();
    }
}

ScopedAllocationCounter::ScopedAllocationCounter() noexcept
    : startCount (allocationsOnThisThread), wasActive (countingActive)
{
    countingActive = true;
}

ScopedAllocationCounter::~ScopedAllocationCounter()
{
    countingActive = wasActive;
}

std::size_t ScopedAllocationCounter::count() const noexcept
{
    return allocationsOnThisThread - startCount;
}

void* operator new (std::size_t size)                                   { return allocate (size); }
void* operator new[] (std::size_t size)                                 { return allocate (size); }
static void* allocateOrNull (std::size_t size) noexcept
{
    try { return allocate (size); } catch (...) { return nullptr; }
}

void* operator new (std::size_t size, const std::nothrow_t&) noexcept   { return allocateOrNull (size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull (size); }
void* operator new (std::size_t size, std::align_val_t a)               { return allocateAligned (size, a); }
void* operator new[] (std::size_t size, std::align_val_t a)             { return allocateAligned (size, a); }

void operator delete (void* p) noexcept                                 { std::free (p); }
void operator delete[] (void* p) noexcept                               { std::free (p); }
void operator delete (void* p, std::size_t) noexcept                    { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept                  { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept               { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept             { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept  { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
