#include "ReadAhead.h"

#include <algorithm>
#include <cstring>

ReadAhead::ReadAhead() : bytes(new UCHAR[kCapacity]) {}

UCHAR* ReadAhead::freeStart()
{
    return bytes.get() + (head + count) % kCapacity;
}

std::size_t ReadAhead::freeLength() const
{
    std::size_t tail = (head + count) % kCapacity;
    // Free space runs to the buffer's end, or to the head when the queued bytes wrap.
    return tail >= head && count < kCapacity ? kCapacity - tail : head - tail;
}

void ReadAhead::commit(std::size_t n)
{
    count += n;
}

std::size_t ReadAhead::take(UCHAR* out, std::size_t n)
{
    n = std::min(n, count);
    std::size_t first = std::min(n, kCapacity - head);
    std::memcpy(out, bytes.get() + head, first);
    std::memcpy(out + first, bytes.get(), n - first);
    head = (head + n) % kCapacity;
    count -= n;
    if (count == 0)
        head = 0;  // keeps the next fill in one piece
    return n;
}
