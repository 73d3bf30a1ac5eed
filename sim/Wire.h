// Byte layout of the logger's wire: the host's bare command frames and the
// logger's framed reply packets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint8_t kEndByte = 0x99;
constexpr std::size_t kShortPayload = 16;
constexpr std::size_t kStatusPayload = 20;
constexpr std::size_t kDataPayload = 31;

// Length of a command frame of this type, 0 for a type the logger does not know.
std::size_t frameLength(std::uint8_t type);

// 8-bit additive checksum of a command frame: the last byte holds the sum of the others.
bool frameChecksumOk(const Bytes& frame);
std::uint8_t sum8(const std::uint8_t* data, std::size_t count);
std::uint16_t sum16(const std::uint8_t* data, std::size_t count);

std::uint16_t getU16(const Bytes& b, std::size_t at);
std::int32_t getI32(const Bytes& b, std::size_t at);
void putU16(Bytes& b, std::size_t at, std::uint16_t v);
void putI16(Bytes& b, std::size_t at, std::int16_t v);
void putI32(Bytes& b, std::size_t at, std::int32_t v);

// Ends the payload with its 16-bit checksum over every byte before the last two.
void sealPayload(Bytes& payload);

// Wraps a sealed payload: magic 55 AA 5A A5, type byte, u16 total length, payload, 0x99.
Bytes framePacket(const Bytes& payload);

std::string hexBytes(const std::uint8_t* data, std::size_t count);

} // namespace sim
