#include "support/AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace
{
    void* allocate (std::size_t size, std::size_t align = 0, bool mayThrow = true)
    {
        ScopedAllocationCounter::allocationsOnThisThread += ScopedAllocationCounter::countingActive ? 1 : 0;
        size = size == 0 ? 1 : size;
        void* p = align == 0 ? std::malloc (size) : std::aligned_alloc (align, (size + align - 1) / align * align);
        if (p == nullptr && mayThrow)
            throw std::bad_alloc();
        return p;
    }
}

void* operator new (std::size_t size)                                   { return allocate (size); }
void* operator new[] (std::size_t size)                                 { return allocate (size); }
void* operator new (std::size_t size, const std::nothrow_t&) noexcept   { return allocate (size, 0, false); }
void* operator new[] (std::size_t size, const std::nothrow_t&) noexcept { return allocate (size, 0, false); }
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
