#include "support/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
    thread_local bool countingActive = false;
    thread_local std::size_t allocationsOnThisThread = 0;

    void* allocate (std::size_t size, std::size_t align = 0)
    {
        allocationsOnThisThread += countingActive ? 1 : 0;
        size = size == 0 ? 1 : size;
        if (void* p = align == 0 ? std::malloc (size) : std::aligned_alloc (align, (size + align - 1) / align * align))
            return p;
        throw std::bad_alloc();
    }

    void* allocateOrNull (std::size_t size) noexcept
    {
        try { return allocate (size); } catch (...) { return nullptr; }
    }
}

ScopedAllocationCounter::ScopedAllocationCounter() noexcept
    : startCount (allocationsOnThisThread), wasActive (countingActive)
{
    countingActive = true;
}

ScopedAllocationCounter::~ScopedAllocationCounter() { countingActive = wasActive; }

std::size_t ScopedAllocationCounter::count() const noexcept { return allocationsOnThisThread - startCount; }

void* operator new (std::size_t size)                                   { return allocate (size); }
void* operator new[] (std::size_t size)                                 { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept   { return allocateOrNull (size); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return allocateOrNull (size); }
void* operator new (std::size_t size, std::align_val_t a)               { return allocate (size, (std::size_t) a); }
void* operator new[] (std::size_t size, std::align_val_t a)             { return allocate (size, (std::size_t) a); }

void operator delete (void* p) noexcept                                 { std::free (p); }
void operator delete[] (void* p) noexcept                               { std::free (p); }
void operator delete (void* p, std::size_t) noexcept                    { std::free (p); }
void operator delete[] (void* p, std::size_t) noexcept                  { std::free (p); }
void operator delete (void* p, std::align_val_t) noexcept               { std::free (p); }
void operator delete[] (void* p, std::align_val_t) noexcept             { std::free (p); }
void operator delete (void* p, std::size_t, std::align_val_t) noexcept  { std::free (p); }
void operator delete[] (void* p, std::size_t, std::align_val_t) noexcept { std::free (p); }
