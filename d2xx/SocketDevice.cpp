#include "SocketDevice.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kHelloWaitMs = 2000;
constexpr std::size_t kHelloMaxLength = 256;
constexpr char kHelloPrefix[] = "LOGGERSIM ";

int msUntil(Clock::time_point deadline)
{
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

bool waitFor(int fd, short events, Clock::time_point deadline)
{
    int wait = msUntil(deadline);
    if (wait <= 0)
        return false;
    pollfd p{fd, events, 0};
    return poll(&p, 1, wait) != 0;
}

int connectTo(const std::string& path)
{
    sockaddr_un address{};
    if (path.size() >= sizeof(address.sun_path))
        return -1;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

FT_STATUS SocketDevice::open(const std::string& path, std::unique_ptr<Device>& device)
{
    int fd = connectTo(path);
    if (fd < 0)
        return FT_DEVICE_NOT_FOUND;
    std::unique_ptr<SocketDevice> opened(new SocketDevice(fd));
    if (!opened->readHello())
        return FT_DEVICE_NOT_OPENED;
    device = std::move(opened);
    return FT_OK;
}

SocketDevice::SocketDevice(int fd) : fd(fd)
{
    info.vendorId = 0x0403;
    info.productId = 0x6001;
    info.manufacturer = "FTDI";
    info.manufacturerId = "FT";
    info.description = "KVX Logger (emulated)";
}

SocketDevice::~SocketDevice()
{
    ::close(fd);
}

// Takes the greeting line; logger bytes that came in the same chunk stay read ahead.
bool SocketDevice::readHello()
{
    auto deadline = Clock::now() + std::chrono::milliseconds(kHelloWaitMs);
    std::string text;
    std::size_t end;
    while ((end = text.find('\n')) == std::string::npos) {
        if (text.size() > kHelloMaxLength)
            return false;
        if (!waitFor(fd, POLLIN, deadline))
            return false;
        char chunk[256];
        ssize_t n = recv(fd, chunk, sizeof(chunk), MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK))
            return false;
        if (n > 0)
            text.append(chunk, std::size_t(n));
    }
    std::string line = text.substr(0, end);
    // At most the chunk: far below the read-ahead's size.
    std::size_t rest = text.size() - end - 1;
    std::memcpy(rx.freeStart(), text.data() + end + 1, rest);
    rx.commit(rest);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.rfind(kHelloPrefix, 0) != 0)
        return false;
    info.serialNumber = line.substr(sizeof(kHelloPrefix) - 1);
    return true;
}

// Moves what the socket holds into rx, as far as rx has room: the rest stays in the socket,
// whose sender then waits. Notices a closed peer. rxMutex is held.
void SocketDevice::pullAvailable()
{
    while (!rx.full()) {
        std::size_t room = rx.freeLength();
        ssize_t n = recv(fd, rx.freeStart(), room, MSG_DONTWAIT);
        if (n > 0) {
            rx.commit(std::size_t(n));
            if (std::size_t(n) < room)
                return;  // the socket is empty
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            lost = true;
        return;
    }
}

// Drops what the socket holds; notices a closed peer. rxMutex is held.
void SocketDevice::dropAvailable()
{
    char chunk[4096];
    for (;;) {
        ssize_t n = recv(fd, chunk, sizeof(chunk), MSG_DONTWAIT);
        if (n > 0 || (n < 0 && errno == EINTR))
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            lost = true;
        return;
    }
}

FT_STATUS SocketDevice::read(UCHAR* buffer, DWORD count, DWORD* returned)
{
    auto deadline = Clock::now() + std::chrono::milliseconds(readTimeoutMs.load());
    DWORD got = 0;
    for (;;) {
        {
            std::lock_guard lock(rxMutex);
            got += DWORD(rx.take(buffer + got, count - got));
            if (got < count) {
                pullAvailable();
                got += DWORD(rx.take(buffer + got, count - got));
            }
            // Bytes that came before the peer closed are still delivered; then the error.
            if (got < count && lost) {
                *returned = got;
                return got > 0 ? FT_OK : FT_IO_ERROR;
            }
        }
        if (got == count || !waitFor(fd, POLLIN, deadline))
            break;
    }
    *returned = got;
    return FT_OK;
}

FT_STATUS SocketDevice::write(const UCHAR* buffer, DWORD count, DWORD* written)
{
    std::lock_guard lock(writeMutex);
    *written = 0;
    if (lost)
        return FT_IO_ERROR;
    auto deadline = Clock::now() + std::chrono::milliseconds(writeTimeoutMs.load());
    while (*written < count) {
        ssize_t n = send(fd, buffer + *written, count - *written, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            *written += DWORD(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                break;
            continue;
        }
        lost = true;
        return FT_IO_ERROR;
    }
    return FT_OK;
}

FT_STATUS SocketDevice::queueStatus(DWORD* rxBytes)
{
    std::lock_guard lock(rxMutex);
    pullAvailable();
    if (lost && rx.size() == 0)
        return FT_IO_ERROR;
    *rxBytes = DWORD(rx.size());
    return FT_OK;
}

FT_STATUS SocketDevice::purge(ULONG mask)
{
    if (mask & FT_PURGE_RX) {
        std::lock_guard lock(rxMutex);
        rx.clear();
        dropAvailable();
    }
    return lost ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SocketDevice::reset()
{
    return lost ? FT_IO_ERROR : FT_OK;
}

FT_STATUS SocketDevice::setLatencyTimer(UCHAR ms)
{
    latencyMs = ms;
    return FT_OK;
}

FT_STATUS SocketDevice::getLatencyTimer(UCHAR* ms)
{
    *ms = latencyMs;
    return FT_OK;
}

void SocketDevice::close()
{
    // Wakes a read or write waiting on another thread; the descriptor goes with the object.
    shutdown(fd, SHUT_RDWR);
}
