#pragma once
// Bytes taken from the device ahead of the caller's reads, in a ring of fixed size, so that
// each read costs the bytes it takes, whatever the backlog behind them.
#include "Ftd2xx.h"

#include <cstddef>
#include <memory>

class ReadAhead {
public:
    // A real D2XX driver queues at most one 64 KB USB request from the chip (whose own FIFOs
    // hold a few hundred bytes); that is about 64 ms at the chip's full rate of ~1 MB/s, far
    // longer than the reader needs per packet. Beyond it the bytes wait in the source.
    static constexpr std::size_t kCapacity = 64 * 1024;

    ReadAhead();

    std::size_t size() const { return count; }
    bool full() const { return count == kCapacity; }
    void clear() { head = count = 0; }

    // The free bytes that follow the queued ones without wrapping; fill some, then commit them.
    UCHAR* freeStart();
    std::size_t freeLength() const;
    void commit(std::size_t n);

    // Moves up to `n` bytes to `out`; returns how many.
    std::size_t take(UCHAR* out, std::size_t n);

private:
    std::unique_ptr<UCHAR[]> bytes;
    std::size_t head = 0;   // first queued byte
    std::size_t count = 0;  // queued bytes
};
