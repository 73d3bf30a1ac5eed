#pragma once
// One step of a data file (.log): the files are a bare sequence of these.
#include <bit>
#include <cstddef>
#include <cstdint>

static_assert(std::endian::native == std::endian::little, "data records are stored little-endian");

#pragma pack(push, 1)
struct LogRecord {
    std::uint8_t frameByte = 0;
    std::uint8_t n = 0;  // readings summed; never 0 in a written record
    std::uint16_t channelSums[6] = {};
};
#pragma pack(pop)

static_assert(sizeof(LogRecord) == 14);
static_assert(offsetof(LogRecord, channelSums) == 2);

using ReplayRecord = LogRecord;
