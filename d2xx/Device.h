#pragma once
// One open device behind an FT_HANDLE: the logger emulator's socket or an FTDI chip.
#include "Ftd2xx.h"

#include <atomic>
#include <string>

struct EepromInfo {
    WORD vendorId = 0;
    WORD productId = 0;
    std::string manufacturer;
    std::string manufacturerId;
    std::string description;
    std::string serialNumber;
};

class Device {
public:
    virtual ~Device() = default;

    // Reads until `count` bytes are in or the read timeout has passed (a short read is FT_OK).
    virtual FT_STATUS read(UCHAR* buffer, DWORD count, DWORD* returned) = 0;
    virtual FT_STATUS write(const UCHAR* buffer, DWORD count, DWORD* written) = 0;
    // Bytes that a read would return at once; never waits.
    virtual FT_STATUS queueStatus(DWORD* rxBytes) = 0;
    virtual FT_STATUS purge(ULONG mask) = 0;
    virtual FT_STATUS reset() = 0;
    virtual FT_STATUS setLatencyTimer(UCHAR ms) = 0;
    virtual FT_STATUS getLatencyTimer(UCHAR* ms) = 0;
    // Ends the link; calls already running on other threads return soon after.
    virtual void close() = 0;

    void setTimeouts(ULONG readMs, ULONG writeMs)
    {
        readTimeoutMs = readMs;
        writeTimeoutMs = writeMs;
    }
    const EepromInfo& eeprom() const { return info; }

protected:
    EepromInfo info;
    // Until the caller sets them: bounded, so that a read never hangs for good.
    std::atomic<ULONG> readTimeoutMs{1000};
    std::atomic<ULONG> writeTimeoutMs{1000};
    std::atomic<UCHAR> latencyMs{16};
};
