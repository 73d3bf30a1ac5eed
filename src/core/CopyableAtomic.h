#pragma once
#include <atomic>

// A field of a shared record that worker threads and windows read and write
// at once. Unlike std::atomic it lets the record still be copied and reset
// whole: field by field, so such a copy is free of torn values but is not one
// snapshot. Records that must be read as one snapshot take a mutex instead.
template <class T>
struct CopyableAtomic : std::atomic<T> {
    using std::atomic<T>::atomic;
    using std::atomic<T>::operator=;

    CopyableAtomic() noexcept : std::atomic<T>(T{}) {}
    CopyableAtomic(const CopyableAtomic& other) noexcept : std::atomic<T>(other.load()) {}
    CopyableAtomic& operator=(const CopyableAtomic& other) noexcept
    {
        this->store(other.load());
        return *this;
    }
};
