#pragma once
// The logger emulator, reached through its Unix stream socket. The emulator greets each
// connection with one line "LOGGERSIM <serial>\n"; raw logger bytes follow both ways.
#include "Device.h"
#include "ReadAhead.h"

#include <memory>
#include <mutex>
#include <string>

class SocketDevice : public Device {
public:
    static FT_STATUS open(const std::string& path, std::unique_ptr<Device>& device);
    ~SocketDevice() override;

    FT_STATUS read(UCHAR* buffer, DWORD count, DWORD* returned) override;
    FT_STATUS write(const UCHAR* buffer, DWORD count, DWORD* written) override;
    FT_STATUS queueStatus(DWORD* rxBytes) override;
    FT_STATUS purge(ULONG mask) override;
    FT_STATUS reset() override;
    FT_STATUS setLatencyTimer(UCHAR ms) override;
    FT_STATUS getLatencyTimer(UCHAR* ms) override;
    void close() override;

private:
    explicit SocketDevice(int fd);
    bool readHello();
    void pullAvailable();
    void dropAvailable();

    const int fd;
    std::mutex rxMutex;  // guards rx; held only around calls that never wait
    ReadAhead rx;        // bytes read ahead from the socket
    std::mutex writeMutex;
    std::atomic<bool> lost{false};
};
