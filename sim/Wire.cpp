#include "Wire.h"

#include <cstdio>

namespace sim {

std::size_t frameLength(std::uint8_t type)
{
    switch (type) {
    case 0: return 3;
    case 1: return 8;
    case 2: return 6;
    case 3: return 4;
    case 6: return 8;
    case 7: return 3;
    default: return 0;
    }
}

std::uint8_t sum8(const std::uint8_t* data, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += data[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::uint16_t sum16(const std::uint8_t* data, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += data[i];
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

bool frameChecksumOk(const Bytes& frame)
{
    if (frame.size() < 2)
        return false;
    return sum8(frame.data(), frame.size() - 1) == frame.back();
}

std::uint16_t getU16(const Bytes& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

std::int32_t getI32(const Bytes& b, std::size_t at)
{
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | b.at(at + i);
    return static_cast<std::int32_t>(v);
}

void putU16(Bytes& b, std::size_t at, std::uint16_t v)
{
    b.at(at) = static_cast<std::uint8_t>(v & 0xFF);
    b.at(at + 1) = static_cast<std::uint8_t>(v >> 8);
}

void putI16(Bytes& b, std::size_t at, std::int16_t v)
{
    putU16(b, at, static_cast<std::uint16_t>(v));
}

void putI32(Bytes& b, std::size_t at, std::int32_t v)
{
    const auto u = static_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        b.at(at + i) = static_cast<std::uint8_t>((u >> (8 * i)) & 0xFF);
}

void sealPayload(Bytes& payload)
{
    const std::size_t n = payload.size() - 2;
    putU16(payload, n, sum16(payload.data(), n));
}

Bytes framePacket(const Bytes& payload)
{
    const std::size_t total = payload.size() + 8;
    Bytes out = {0x55, 0xAA, 0x5A, 0xA5, static_cast<std::uint8_t>(payload.size()), 0, 0};
    putU16(out, 5, static_cast<std::uint16_t>(total));
    out.insert(out.end(), payload.begin(), payload.end());
    out.push_back(kEndByte);
    return out;
}

std::string hexBytes(const std::uint8_t* data, std::size_t count)
{
    std::string text;
    char cell[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(cell, sizeof cell, i ? " %02X" : "%02X", data[i]);
        text += cell;
    }
    return text;
}

} // namespace sim
