// Cuts the host's byte stream into command frames. Frames carry no header, so
// the type byte gives the length; bytes that start no known frame are junk.
#pragma once

#include "Wire.h"

#include <chrono>
#include <vector>

namespace sim {

using Clock = std::chrono::steady_clock;

struct RxItem {
    enum class Kind { Frame, Junk, Stale };
    Kind kind = Kind::Frame;
    Bytes bytes;
    bool checksumOk = false;
};

class FrameReader {
public:
    // A frame left incomplete this long is dropped, as the firmware's
    // inter-byte timeout would, so the stream resynchronises on the next frame.
    static constexpr std::chrono::milliseconds kByteTimeout{200};

    std::vector<RxItem> push(const std::uint8_t* data, std::size_t count, Clock::time_point now);
    std::vector<RxItem> expire(Clock::time_point now);
    void clear() { m_pending.clear(); }

private:
    std::vector<RxItem> cut();

    Bytes m_pending;
    Clock::time_point m_lastByte{};
};

} // namespace sim
