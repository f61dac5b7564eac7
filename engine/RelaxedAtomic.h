#pragma once

#include <atomic>

/** A scalar shared by the message thread and the audio thread.

    The engine's settings, statistics and flags are plain values that one thread writes and
    another reads, each as a whole value, with no ordering between different fields. A relaxed
    atomic gives exactly that without a data race, and this wrapper keeps the call sites reading
    like ordinary fields.

    The compound assignments are a load followed by a store, not a read-modify-write: each field
    that uses them has a single writing thread (the statistics are written only on the audio
    thread; resets are carried out there too), so no update can be lost.
*/
template <typename T>
class RelaxedAtomic
{
public:
    RelaxedAtomic() noexcept : value (T{}) {}
    RelaxedAtomic (T initial) noexcept : value (initial) {}  // NOLINT: implicit on purpose, reads like a field

    RelaxedAtomic (const RelaxedAtomic&) = delete;
    RelaxedAtomic& operator= (const RelaxedAtomic&) = delete;

    T load() const noexcept                 { return value.load (std::memory_order_relaxed); }
    void store (T newValue) noexcept        { value.store (newValue, std::memory_order_relaxed); }

    operator T() const noexcept             { return load(); }  // NOLINT: implicit on purpose
    RelaxedAtomic& operator= (T newValue) noexcept  { store (newValue); return *this; }

    RelaxedAtomic& operator+= (T delta) noexcept    { store (static_cast<T> (load() + delta)); return *this; }
    RelaxedAtomic& operator-= (T delta) noexcept    { store (static_cast<T> (load() - delta)); return *this; }

private:
    std::atomic<T> value;
    static_assert (std::atomic<T>::is_always_lock_free, "a shared field must never take a lock");
};
