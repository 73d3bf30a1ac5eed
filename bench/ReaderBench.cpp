// The reader's framing and dispatch per data packet, from the logger's bytes to the decoder:
// first from bytes in memory, then through the D2XX layer from a socket that a writer thread
// keeps full. The chip delivers at most about 25,600 data packets per second.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "core/VarnoLogger_KVXApp.h"
#include "d2xx/Ftd2xx.h"
#include "probe/CommandFrames.h"
#include "probe/Frames.h"
#include "probe/USB.h"

namespace {

// Packets per reader run: each run ends when its bytes are used up.
constexpr int kPacketsPerRun = 4096;

// Time-mode data packets with their framing, as the logger sends them.
std::vector<BYTE> DataPackets(int count)
{
    std::vector<BYTE> bytes;
    for (int i = 0; i < count; ++i) {
        DataPacket packet;
        packet.status = 4;
        packet.depthStep = 100;
        packet.frameByte = 0x41;
        packet.n = 5;
        for (int c = 0; c < 6; ++c)
            packet.channelSums[c] = WORD(500 + 37 * c + i % 100);
        packet.unused = BYTE(i);  // the emulator's sequence number
        packet.replyFlags = 0x01;
        auto* payload = reinterpret_cast<BYTE*>(&packet);
        WORD sum = 0;
        for (size_t b = 0; b + 2 < sizeof packet; ++b)
            sum = WORD(sum + payload[b]);
        packet.checksum = sum;
        const size_t total = sizeof packet + 8;
        const BYTE header[] = {0x55, 0xAA, 0x5A, 0xA5, BYTE(sizeof packet), BYTE(total), BYTE(total >> 8)};
        bytes.insert(bytes.end(), std::begin(header), std::end(header));
        bytes.insert(bytes.end(), payload, payload + sizeof packet);
        bytes.push_back(kReplyEndByte);
    }
    return bytes;
}

class CountingDecoder : public IPacketDecoder {
public:
    long good = 0;
    void DecodeShortPacket() override {}
    void DecodeStatusPacket() override {}
    void DecodeDataPacket() override { good += CheckPayloadSum(theApp.m_pRxBuffer, sizeof(DataPacket)); }
};

// Hands out a run's bytes; their end closes the reader, as the program's closing does.
class MemorySource : public IByteSource {
public:
    explicit MemorySource(const std::vector<BYTE>& bytes) : m_bytes(bytes) {}

    FT_STATUS QueueStatus(DWORD* rxBytes) override
    {
        *rxBytes = DWORD(m_bytes.size() - m_pos);
        return FT_OK;
    }
    FT_STATUS Read(BYTE* buffer, DWORD count, DWORD, DWORD* returned) override
    {
        *returned = DWORD(std::min<size_t>(count, m_bytes.size() - m_pos));
        std::memcpy(buffer, m_bytes.data() + m_pos, *returned);
        m_pos += *returned;
        if (*returned == 0)
            theApp.m_bClosing = 1;
        return FT_OK;
    }

private:
    const std::vector<BYTE>& m_bytes;
    size_t m_pos = 0;
};

void RunReader(benchmark::State& state, IByteSource& source, CUSB& usb, CountingDecoder& decoder)
{
    theApp.m_bClosing = 0;
    usb.ReadReplies(source, CVarnoLogger_KVXApp::kRxBufferSize);
    if (decoder.good % kPacketsPerRun != 0)
        state.SkipWithError("a packet was lost or broken");
}

void BM_ReaderFromMemory(benchmark::State& state)
{
    const std::vector<BYTE> bytes = DataPackets(kPacketsPerRun);
    CountingDecoder decoder;
    CUSB usb;
    usb.SetDecoder(&decoder);
    for (auto _ : state) {
        MemorySource source(bytes);
        RunReader(state, source, usb, decoder);
    }
    theApp.m_bClosing = 0;
    state.SetItemsProcessed(state.iterations() * kPacketsPerRun);
}
BENCHMARK(BM_ReaderFromMemory)->Unit(benchmark::kMillisecond);

// Plays the emulator: greets, then sends the packets round and round until stopped.
class SocketLogger {
public:
    SocketLogger(const std::string& path, const std::vector<BYTE>& bytes) : m_path(path)
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        m_listener = socket(AF_UNIX, SOCK_STREAM, 0);
        bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(m_listener, 1);
        m_writer = std::thread([this, &bytes] {
            int peer = accept(m_listener, nullptr, nullptr);
            const char hello[] = "LOGGERSIM BENCH\n";
            send(peer, hello, sizeof hello - 1, MSG_NOSIGNAL);
            size_t at = 0;
            while (!m_stop) {
                ssize_t n = send(peer, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                at = (at + size_t(n)) % bytes.size();
            }
            close(peer);
        });
    }
    ~SocketLogger()
    {
        m_stop = true;
        shutdown(m_listener, SHUT_RDWR);  // wakes an accept that no one answered
        m_writer.join();
        close(m_listener);
        unlink(m_path.c_str());
    }

private:
    std::string m_path;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_writer;
};

// The D2XX layer as the program's reader uses it: read time-outs set before each read.
class D2xxSource : public IByteSource {
public:
    D2xxSource(FT_HANDLE device, size_t budget) : m_device(device), m_budget(budget) {}

    FT_STATUS QueueStatus(DWORD* rxBytes) override { return FT_GetQueueStatus(m_device, rxBytes); }
    FT_STATUS Read(BYTE* buffer, DWORD count, DWORD timeoutMs, DWORD* returned) override
    {
        *returned = 0;
        count = DWORD(std::min<size_t>(count, m_budget));
        if (count == 0) {
            theApp.m_bClosing = 1;
            return FT_OK;
        }
        FT_SetTimeouts(m_device, timeoutMs, 100);
        FT_STATUS status = FT_Read(m_device, buffer, count, returned);
        m_budget -= *returned;
        return status;
    }

private:
    FT_HANDLE m_device;
    size_t m_budget;
};

void BM_ReaderThroughD2xxSocket(benchmark::State& state)
{
    const std::vector<BYTE> bytes = DataPackets(kPacketsPerRun);
    char folder[] = "/tmp/kvx_benchXXXXXX";
    if (mkdtemp(folder) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    const std::string path = std::string(folder) + "/s";
    setenv("KVX_LOGGER_SOCKET", path.c_str(), 1);
    FT_HANDLE device = nullptr;
    {
        SocketLogger logger(path, bytes);
        if (FT_Open(0, &device) != FT_OK) {
            state.SkipWithError("the D2XX layer did not open the socket");
            return;
        }
        CountingDecoder decoder;
        CUSB usb;
        usb.SetDecoder(&decoder);
        for (auto _ : state) {
            D2xxSource source(device, bytes.size());
            RunReader(state, source, usb, decoder);
        }
        FT_Close(device);
    }
    theApp.m_bClosing = 0;
    unsetenv("KVX_LOGGER_SOCKET");
    rmdir(folder);
    state.SetItemsProcessed(state.iterations() * kPacketsPerRun);
}
BENCHMARK(BM_ReaderThroughD2xxSocket)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
