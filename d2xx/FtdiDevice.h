#pragma once
// A real logger: an FTDI chip driven through libftdi1.
#include "Device.h"
#include "ReadAhead.h"

#include <memory>
#include <mutex>
#include <string>

struct ftdi_context;
struct libusb_device;

class FtdiDevice : public Device {
public:
    // Opens the index-th chip with the logger's vendor id and one of its product ids.
    static FT_STATUS open(int index, std::unique_ptr<Device>& device);
    ~FtdiDevice() override;

    FT_STATUS read(UCHAR* buffer, DWORD count, DWORD* returned) override;
    FT_STATUS write(const UCHAR* buffer, DWORD count, DWORD* written) override;
    FT_STATUS queueStatus(DWORD* rxBytes) override;
    FT_STATUS purge(ULONG mask) override;
    FT_STATUS reset() override;
    FT_STATUS setLatencyTimer(UCHAR ms) override;
    FT_STATUS getLatencyTimer(UCHAR* ms) override;
    void close() override;

private:
    explicit FtdiDevice(ftdi_context* context);
    FT_STATUS openListed(libusb_device* usbDevice, int productId);
    int readChunk(UCHAR* buffer, DWORD count, int waitMs);

    ftdi_context* const context;
    // libftdi's context is not thread-safe: reads (with the read-ahead, purge and reset) go one
    // at a time under readMutex, writes under writeMutex and the latency requests under
    // controlMutex, so that a write never waits for a read.
    std::mutex readMutex;
    ReadAhead rx;  // bytes read ahead by queueStatus
    std::mutex writeMutex;
    std::mutex controlMutex;
};
