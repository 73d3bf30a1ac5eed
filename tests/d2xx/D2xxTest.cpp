#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include <dlfcn.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "d2xx/Ftd2xx.h"
#include "d2xx/ReadAhead.h"

namespace {

using Clock = std::chrono::steady_clock;

long msSince(Clock::time_point start)
{
    return long(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

const char* const kEntryPoints[] = {
    "FT_Write", "FT_Read", "FT_Open", "FT_OpenEx", "FT_ListDevices", "FT_Close",
    "FT_ResetDevice", "FT_Purge", "FT_SetTimeouts", "FT_GetQueueStatus", "FT_SetBreakOn",
    "FT_SetBreakOff", "FT_GetStatus", "FT_SetEventNotification", "FT_EE_Read", "FT_EE_Program",
    "FT_EE_UARead", "FT_EE_UAWrite", "FT_EE_UASize", "FT_GetLatencyTimer", "FT_SetLatencyTimer"};

const char kLibrary[] = KVX_PROGRAM_DIR "/libftd2xx.so";
const char kMissingLibrary[] = KVX_PROGRAM_DIR "/../testlibs/missing/libftd2xx.so";

// The entry points, resolved by name as the program does.
struct Api {
    void* library = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
    PFN_FT_Open Open = get<PFN_FT_Open>("FT_Open");
    PFN_FT_OpenEx OpenEx = get<PFN_FT_OpenEx>("FT_OpenEx");
    PFN_FT_Close Close = get<PFN_FT_Close>("FT_Close");
    PFN_FT_Read Read = get<PFN_FT_Read>("FT_Read");
    PFN_FT_Write Write = get<PFN_FT_Write>("FT_Write");
    PFN_FT_SetTimeouts SetTimeouts = get<PFN_FT_SetTimeouts>("FT_SetTimeouts");
    PFN_FT_GetQueueStatus GetQueueStatus = get<PFN_FT_GetQueueStatus>("FT_GetQueueStatus");
    PFN_FT_GetStatus GetStatus = get<PFN_FT_GetStatus>("FT_GetStatus");
    PFN_FT_Purge Purge = get<PFN_FT_Purge>("FT_Purge");
    PFN_FT_ResetDevice ResetDevice = get<PFN_FT_ResetDevice>("FT_ResetDevice");
    PFN_FT_EE_Read EE_Read = get<PFN_FT_EE_Read>("FT_EE_Read");
    PFN_FT_EE_UASize EE_UASize = get<PFN_FT_EE_UASize>("FT_EE_UASize");
    PFN_FT_SetBreakOn SetBreakOn = get<PFN_FT_SetBreakOn>("FT_SetBreakOn");
    PFN_FT_SetLatencyTimer SetLatencyTimer = get<PFN_FT_SetLatencyTimer>("FT_SetLatencyTimer");
    PFN_FT_GetLatencyTimer GetLatencyTimer = get<PFN_FT_GetLatencyTimer>("FT_GetLatencyTimer");

    template <class F>
    F get(const char* name)
    {
        return library ? reinterpret_cast<F>(dlsym(library, name)) : nullptr;
    }
};

// Plays the logger emulator's side of one connection.
class FakeLogger {
public:
    explicit FakeLogger(const std::string& path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        listener = socket(AF_UNIX, SOCK_STREAM, 0);
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(listener, 4);
    }
    ~FakeLogger()
    {
        if (acceptor.joinable())
            acceptor.join();
        closePeer();
        close(listener);
    }

    // Accepts on a thread, because FT_Open waits for the greeting.
    void acceptWith(const std::string& greeting)
    {
        acceptor = std::thread([this, greeting] {
            peerFd = accept(listener, nullptr, nullptr);
            send(peerFd, greeting.data(), greeting.size(), MSG_NOSIGNAL);
        });
    }
    int peer()
    {
        if (acceptor.joinable())
            acceptor.join();
        return peerFd;
    }
    void sendBytes(const std::string& bytes) { send(peer(), bytes.data(), bytes.size(), MSG_NOSIGNAL); }
    std::string receive(std::size_t count)
    {
        std::string got;
        auto start = Clock::now();
        while (got.size() < count && msSince(start) < 2000) {
            pollfd p{peer(), POLLIN, 0};
            if (poll(&p, 1, 100) <= 0)
                continue;
            char chunk[256];
            ssize_t n = recv(peerFd, chunk, std::min(sizeof(chunk), count - got.size()), 0);
            if (n <= 0)
                break;
            got.append(chunk, std::size_t(n));
        }
        return got;
    }
    void closePeer()
    {
        if (peerFd >= 0)
            close(peerFd);
        peerFd = -1;
    }

private:
    int listener = -1;
    int peerFd = -1;
    std::thread acceptor;
};

class D2xxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(api.library, nullptr) << dlerror();
        ASSERT_NE(mkdtemp(folder), nullptr);
        socketPath = std::string(folder) + "/logger.sock";
        const char* old = std::getenv("KVX_LOGGER_SOCKET");
        hadSocket = old != nullptr;
        if (hadSocket)
            oldSocket = old;
        setenv("KVX_LOGGER_SOCKET", socketPath.c_str(), 1);
    }
    void TearDown() override
    {
        if (hadSocket)
            setenv("KVX_LOGGER_SOCKET", oldSocket.c_str(), 1);
        else
            unsetenv("KVX_LOGGER_SOCKET");
        unlink(socketPath.c_str());
        rmdir(folder);
    }

    // Opens the device against `logger`, which greets with `greeting`.
    FT_HANDLE openWith(FakeLogger& logger, const std::string& greeting = "LOGGERSIM KP-00012345\n")
    {
        logger.acceptWith(greeting);
        FT_HANDLE handle = nullptr;
        EXPECT_EQ(api.Open(0, &handle), FT_OK);
        logger.peer();
        return handle;
    }

    DWORD waitForQueue(FT_HANDLE handle, DWORD expected)
    {
        DWORD queued = 0;
        auto start = Clock::now();
        while (api.GetQueueStatus(handle, &queued) == FT_OK && queued < expected && msSince(start) < 2000)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return queued;
    }

    Api api;
    char folder[32] = "/tmp/kvx-d2xx-XXXXXX";
    std::string socketPath;
    bool hadSocket = false;
    std::string oldSocket;
};

TEST_F(D2xxTest, LibrariesExportTheEntryPoints)
{
    for (const char* name : kEntryPoints)
        EXPECT_NE(dlsym(api.library, name), nullptr) << name;

    void* missing = dlopen(kMissingLibrary, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(missing, nullptr) << dlerror();
    for (const char* name : kEntryPoints)
        EXPECT_EQ(dlsym(missing, name) == nullptr, std::strcmp(name, "FT_EE_UAWrite") == 0) << name;
    dlclose(missing);
}

TEST_F(D2xxTest, OpenFailsWithoutALoggerOrItsGreeting)
{
    FT_HANDLE handle = reinterpret_cast<FT_HANDLE>(1);
    EXPECT_EQ(api.Open(0, &handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, nullptr);

    FakeLogger logger(socketPath);
    logger.acceptWith("HELLO THERE\n");
    EXPECT_NE(api.Open(0, &handle), FT_OK);
    EXPECT_EQ(handle, nullptr);
}

TEST_F(D2xxTest, OpenReportsTheEmulatorInTheEeprom)
{
    FakeLogger logger(socketPath);
    // Logger bytes that follow the greeting in the same packet must not be lost.
    FT_HANDLE handle = openWith(logger, "LOGGERSIM KP-00012345\r\n\x55\xAA");
    ASSERT_NE(handle, nullptr);

    char manufacturer[FT_EE_MANUFACTURER_SIZE] = "x";
    char manufacturerId[FT_EE_MANUFACTURER_ID_SIZE] = "x";
    char description[FT_EE_DESCRIPTION_SIZE] = "x";
    char serial[FT_EE_SERIAL_NUMBER_SIZE] = "x";
    FT_PROGRAM_DATA data{};
    data.Manufacturer = manufacturer;
    data.ManufacturerId = manufacturerId;
    data.Description = description;
    data.SerialNumber = serial;
    ASSERT_EQ(api.EE_Read(handle, &data), FT_OK);
    EXPECT_EQ(data.VendorId, 0x0403);
    EXPECT_EQ(data.ProductId, 0x6001);
    EXPECT_STREQ(serial, "KP-00012345");
    EXPECT_STREQ(manufacturer, "FTDI");
    EXPECT_NE(std::string(description).find("emulated"), std::string::npos);

    // Null text pointers are skipped.
    FT_PROGRAM_DATA bare{};
    EXPECT_EQ(api.EE_Read(handle, &bare), FT_OK);

    EXPECT_EQ(waitForQueue(handle, 2), 2u);
    EXPECT_EQ(api.Close(handle), FT_OK);
}

TEST_F(D2xxTest, LongSerialIsCutToItsBuffer)
{
    FakeLogger logger(socketPath);
    FT_HANDLE handle = openWith(logger, "LOGGERSIM KP-0123456789ABCDEFGHIJ\n");
    ASSERT_NE(handle, nullptr);
    char serial[FT_EE_SERIAL_NUMBER_SIZE + 4];
    std::memset(serial, '#', sizeof(serial));
    FT_PROGRAM_DATA data{};
    data.SerialNumber = serial;
    ASSERT_EQ(api.EE_Read(handle, &data), FT_OK);
    EXPECT_EQ(std::strlen(serial), std::size_t(FT_EE_SERIAL_NUMBER_SIZE - 1));
    EXPECT_EQ(serial[FT_EE_SERIAL_NUMBER_SIZE], '#');
    api.Close(handle);
}

TEST_F(D2xxTest, WritesReachTheLoggerAndReadsWaitForTheTimeout)
{
    FakeLogger logger(socketPath);
    FT_HANDLE handle = openWith(logger);
    ASSERT_NE(handle, nullptr);
    ASSERT_EQ(api.SetTimeouts(handle, 200, 200), FT_OK);

    unsigned char frame[] = {0x55, 0xAA, 0x00, 0x99};
    DWORD written = 0;
    EXPECT_EQ(api.Write(handle, frame, sizeof(frame), &written), FT_OK);
    EXPECT_EQ(written, sizeof(frame));
    EXPECT_EQ(logger.receive(4), std::string("\x55\xAA\x00\x99", 4));

    // A count that arrives in two parts is collected within one read.
    logger.sendBytes("ab");
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        logger.sendBytes("cd");
    });
    char buffer[16] = {};
    DWORD got = 0;
    EXPECT_EQ(api.Read(handle, buffer, 4, &got), FT_OK);
    later.join();
    EXPECT_EQ(std::string(buffer, got), "abcd");

    // Fewer bytes than asked: the read returns them when the timeout has passed.
    logger.sendBytes("xyz");
    auto start = Clock::now();
    EXPECT_EQ(api.Read(handle, buffer, 10, &got), FT_OK);
    long elapsed = msSince(start);
    EXPECT_EQ(std::string(buffer, got), "xyz");
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 2000);
    api.Close(handle);
}

TEST_F(D2xxTest, QueueStatusCountsPendingBytesAndPurgeDropsThem)
{
    FakeLogger logger(socketPath);
    FT_HANDLE handle = openWith(logger);
    ASSERT_NE(handle, nullptr);

    logger.sendBytes("0123456789");
    EXPECT_EQ(waitForQueue(handle, 10), 10u);
    DWORD rx = 0, tx = 1, events = 1;
    EXPECT_EQ(api.GetStatus(handle, &rx, &tx, &events), FT_OK);
    EXPECT_EQ(rx, 10u);

    // Bytes still in the socket are dropped as well as those read ahead.
    logger.sendBytes("more");
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(api.Purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_OK);
    DWORD queued = 99;
    EXPECT_EQ(api.GetQueueStatus(handle, &queued), FT_OK);
    EXPECT_EQ(queued, 0u);

    logger.sendBytes("new");
    EXPECT_EQ(waitForQueue(handle, 3), 3u);
    char buffer[8] = {};
    DWORD got = 0;
    EXPECT_EQ(api.Read(handle, buffer, 3, &got), FT_OK);
    EXPECT_EQ(std::string(buffer, got), "new");
    EXPECT_EQ(api.ResetDevice(handle), FT_OK);
    api.Close(handle);
}

// A logger sending far more than the read-ahead holds while nobody reads: the read-ahead stays
// bounded, the logger is held back, and reads in any sizes then get every byte in order.
TEST_F(D2xxTest, ReadAheadIsBoundedAndLosesNothing)
{
    FakeLogger logger(socketPath);
    FT_HANDLE handle = openWith(logger);
    ASSERT_NE(handle, nullptr);
    api.SetTimeouts(handle, 1000, 100);

    constexpr std::size_t kTotal = 1 << 20;
    auto byteAt = [](std::size_t i) { return char((i * 7 + i / 251) & 0xFF); };
    std::atomic<std::size_t> sent{0};
    std::thread writer([&] {
        std::string chunk(1000, '\0');
        while (sent < kTotal) {
            std::size_t n = std::min(chunk.size(), kTotal - sent);
            for (std::size_t i = 0; i < n; ++i)
                chunk[i] = byteAt(sent + i);
            ssize_t done = send(logger.peer(), chunk.data(), n, MSG_NOSIGNAL);
            if (done <= 0)
                return;
            sent += std::size_t(done);
        }
    });

    DWORD queued = 0;
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(api.GetQueueStatus(handle, &queued), FT_OK);
        EXPECT_LE(queued, ReadAhead::kCapacity);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(queued, ReadAhead::kCapacity);
    EXPECT_LT(sent.load(), kTotal) << "the logger is held back while the read-ahead is full";

    // Odd sizes, so that reads cross the ring's end at every offset.
    const DWORD sizes[] = {7, 32, 1, 4093, 39, 65536, 3};
    std::string got;
    char buffer[65536];
    for (std::size_t k = 0; got.size() < kTotal; ++k) {
        DWORD want = std::min<DWORD>(sizes[k % std::size(sizes)], DWORD(kTotal - got.size()));
        DWORD n = 0;
        ASSERT_EQ(api.Read(handle, buffer, want, &n), FT_OK);
        ASSERT_EQ(n, want) << "after " << got.size() << " bytes";
        got.append(buffer, n);
        if (k % 5 == 0) {
            ASSERT_EQ(api.GetQueueStatus(handle, &queued), FT_OK);
            ASSERT_LE(queued, ReadAhead::kCapacity);
        }
    }
    writer.join();
    std::size_t firstWrong = 0;
    while (firstWrong < kTotal && got[firstWrong] == byteAt(firstWrong))
        ++firstWrong;
    EXPECT_EQ(firstWrong, kTotal);
    api.Close(handle);
}

TEST_F(D2xxTest, WriteIsNotHeldUpByAWaitingRead)
{
    FakeLogger logger(socketPath);
    FT_HANDLE handle = openWith(logger);
    ASSERT_NE(handle, nullptr);
    api.SetTimeouts(handle, 3000, 100);

    char byte = 0;
    DWORD got = 0;
    std::thread reader([&] { api.Read(handle, &byte, 1, &got); });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    unsigned char frame[] = {1, 2, 3};
    DWORD written = 0;
    auto start = Clock::now();
    EXPECT_EQ(api.Write(handle, frame, sizeof(frame), &written), FT_OK);
    EXPECT_LT(msSince(start), 500);
    EXPECT_EQ(logger.receive(3), "\x01\x02\x03");

    logger.sendBytes("!");
    reader.join();
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(byte, '!');
    api.Close(handle);
}

TEST_F(D2xxTest, LostLoggerGivesIoErrors)
{
    FakeLogger logger(socketPath);
    FT_HANDLE handle = openWith(logger);
    ASSERT_NE(handle, nullptr);
    api.SetTimeouts(handle, 3000, 100);

    // What came before the loss is still counted and delivered, without waiting out the timeout.
    logger.sendBytes("end");
    logger.closePeer();
    for (int i = 0; i < 2; ++i) {
        DWORD pending = 0;
        EXPECT_EQ(api.GetQueueStatus(handle, &pending), FT_OK);
        EXPECT_EQ(pending, 3u);
    }
    char buffer[16];
    DWORD got = 0;
    auto start = Clock::now();
    EXPECT_EQ(api.Read(handle, buffer, sizeof(buffer), &got), FT_OK);
    EXPECT_EQ(std::string(buffer, got), "end");
    EXPECT_LT(msSince(start), 1000);

    DWORD queued = 0;
    EXPECT_EQ(api.GetQueueStatus(handle, &queued), FT_IO_ERROR);
    EXPECT_EQ(api.Read(handle, buffer, 4, &got), FT_IO_ERROR);
    EXPECT_EQ(got, 0u);
    DWORD written = 0;
    EXPECT_EQ(api.Write(handle, buffer, 4, &written), FT_IO_ERROR);
    EXPECT_EQ(api.Close(handle), FT_OK);
}

TEST_F(D2xxTest, ReadWaitingWhenTheLoggerGoesAwayEnds)
{
    FakeLogger logger(socketPath);
    FT_HANDLE handle = openWith(logger);
    ASSERT_NE(handle, nullptr);
    api.SetTimeouts(handle, 3000, 100);

    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        logger.closePeer();
    });
    char buffer[4];
    DWORD got = 0;
    auto start = Clock::now();
    EXPECT_EQ(api.Read(handle, buffer, sizeof(buffer), &got), FT_IO_ERROR);
    EXPECT_LT(msSince(start), 1000);
    later.join();
    api.Close(handle);
}

TEST_F(D2xxTest, BadHandlesAndArgumentsAreRefused)
{
    char buffer[4];
    DWORD count = 0;
    EXPECT_EQ(api.Open(0, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.OpenEx(nullptr, 0, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.Close(nullptr), FT_INVALID_HANDLE);
    EXPECT_EQ(api.Read(nullptr, buffer, 4, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(api.Write(nullptr, buffer, 4, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(api.GetQueueStatus(nullptr, &count), FT_INVALID_HANDLE);
    EXPECT_EQ(api.SetTimeouts(nullptr, 1, 1), FT_INVALID_HANDLE);
    EXPECT_EQ(api.Purge(nullptr, FT_PURGE_RX), FT_INVALID_HANDLE);
    EXPECT_EQ(api.SetLatencyTimer(nullptr, 2), FT_INVALID_HANDLE);

    FakeLogger logger(socketPath);
    FT_HANDLE handle = openWith(logger);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(api.Read(handle, nullptr, 4, &count), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.Read(handle, buffer, 4, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.Write(handle, nullptr, 4, &count), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.GetQueueStatus(handle, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.GetStatus(handle, &count, nullptr, &count), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.EE_Read(handle, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.EE_UASize(handle, nullptr), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.SetLatencyTimer(handle, 0), FT_INVALID_PARAMETER);
    EXPECT_EQ(api.SetBreakOn(handle), FT_NOT_SUPPORTED);

    UCHAR latency = 0;
    EXPECT_EQ(api.SetLatencyTimer(handle, 2), FT_OK);
    EXPECT_EQ(api.GetLatencyTimer(handle, &latency), FT_OK);
    EXPECT_EQ(latency, 2);

    // The link closes its handle again on every check: a stale handle is refused, not used.
    EXPECT_EQ(api.Close(handle), FT_OK);
    EXPECT_EQ(api.Close(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(api.Read(handle, buffer, 4, &count), FT_INVALID_HANDLE);
}

TEST_F(D2xxTest, WithoutTheEmulatorNoDeviceMeansAFailedOpen)
{
    unsetenv("KVX_LOGGER_SOCKET");
    FT_HANDLE handle = nullptr;
    FT_STATUS status = api.Open(0, &handle);
    if (status == FT_OK) {
        api.Close(handle);
        GTEST_SKIP() << "an FTDI device is attached";
    }
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(api.Open(-1, &handle), FT_DEVICE_NOT_FOUND);
}

}  // namespace
