#include "support/AllocationCounter.h"

#include <cstdlib>
#include <new>

// The C allocation functions are reached through the linker's wrapping (--wrap, set on every test
// program in tests/CMakeLists.txt): each call of malloc from the program's own objects and static
// libraries, the framework's included, goes to __wrap_malloc, and __real_malloc is the C library's
// (or, under a sanitizer, the sanitizer runtime's). Defining malloc itself in the program would take
// it away from a sanitizer's runtime; wrapping leaves the runtime its interception.
extern "C"
{
    void* __real_malloc (std::size_t size);
    void* __real_calloc (std::size_t count, std::size_t size);
    void* __real_realloc (void* block, std::size_t size);
    void* __real_aligned_alloc (std::size_t alignment, std::size_t size);
    int __real_posix_memalign (void** result, std::size_t alignment, std::size_t size);
    void* __real_memalign (std::size_t alignment, std::size_t size);
    char* __real_strdup (const char* text);
    char* __real_strndup (const char* text, std::size_t length);

    void* __wrap_malloc (std::size_t size);
    void* __wrap_calloc (std::size_t count, std::size_t size);
    void* __wrap_realloc (void* block, std::size_t size);
    void* __wrap_aligned_alloc (std::size_t alignment, std::size_t size);
    int __wrap_posix_memalign (void** result, std::size_t alignment, std::size_t size);
    void* __wrap_memalign (std::size_t alignment, std::size_t size);
    char* __wrap_strdup (const char* text);
    char* __wrap_strndup (const char* text, std::size_t length);
}

namespace
{
    void noteAllocation() noexcept
    {
        ScopedAllocationCounter::allocationsOnThisThread += ScopedAllocationCounter::countingActive ? 1 : 0;
    }

    // Counted once here; the C library's functions below are the real ones, not the wrapped ones.
    void* allocate (std::size_t size, std::size_t align = 0, bool mayThrow = true)
    {
        noteAllocation();
        size = size == 0 ? 1 : size;
        void* p = align == 0 ? __real_malloc (size) : __real_aligned_alloc (align, (size + align - 1) / align * align);
        if (p == nullptr && mayThrow)
            throw std::bad_alloc();
        return p;
    }
}

void* __wrap_malloc (std::size_t size)                    { noteAllocation(); return __real_malloc (size); }
void* __wrap_calloc (std::size_t n, std::size_t size)     { noteAllocation(); return __real_calloc (n, size); }
void* __wrap_realloc (void* block, std::size_t size)      { noteAllocation(); return __real_realloc (block, size); }
void* __wrap_aligned_alloc (std::size_t a, std::size_t n) { noteAllocation(); return __real_aligned_alloc (a, n); }
void* __wrap_memalign (std::size_t a, std::size_t n)      { noteAllocation(); return __real_memalign (a, n); }
char* __wrap_strdup (const char* text)                    { noteAllocation(); return __real_strdup (text); }
char* __wrap_strndup (const char* text, std::size_t n)    { noteAllocation(); return __real_strndup (text, n); }

int __wrap_posix_memalign (void** result, std::size_t a, std::size_t size)
{
    noteAllocation();
    return __real_posix_memalign (result, a, size);
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
