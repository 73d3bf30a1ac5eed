// Decoding and sample processing of one data packet, as the reader thread
// runs them; the chip delivers at most about 25,600 data packets per second.
#include <benchmark/benchmark.h>

#include "BenchApplication.h"

#include <cstdlib>
#include <cstring>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/ToolsStream.h"

namespace {

void PutDataPacket(int mode, std::int32_t depthCounts)
{
    DataPacket packet;
    packet.status = BYTE(mode);
    packet.depthStep = 10;
    packet.depthCounts = depthCounts;
    packet.frameByte = 0x41;
    packet.n = 25;
    for (int c = 0; c < 6; ++c)
        packet.channelSums[c] = WORD(1000 + 37 * c);
    packet.replyFlags = 0x01;
    auto* bytes = reinterpret_cast<BYTE*>(&packet);
    unsigned sum = 0;
    for (size_t i = 0; i + 2 < sizeof packet; ++i)
        sum += bytes[i];
    packet.checksum = WORD(sum);
    std::memcpy(theApp.m_pRxBuffer, &packet, sizeof packet);
}

void SetUpTool()
{
    theApp.m_pLoggerSettings->encoderRate = 80.0;
    theApp.m_pLoggerSettings->PulleysDiameter = 5000;
    theApp.m_pLoggerSettings->PulsResolution = 1000;
    for (int c = 0; c < 6; ++c) {
        ChannelRecord& channel = theApp.m_pToolRecord->channels[c];
        channel.PhysicalCh = c;
        channel.Coefficient[0] = 1.5;
        channel.Coefficient[1] = 0.25;
        channel.Coefficient[2] = 1e-4;
        channel.Coefficient[3] = 1e-9;
    }
}

// One time-mode packet: one step each.
void BM_DecodeAndProcessTimePacket(benchmark::State& state)
{
    EnsureBenchApplication();
    SetUpTool();
    CVarnoLogger_KVXDlg dialog(nullptr);
    theApp.m_pMainDlg = &dialog;
    CToolsStream stream;
    PutDataPacket(4, 0);
    for (auto _ : state) {
        stream.DecodeDataPacket();
        benchmark::DoNotOptimize(theApp.m_pSampleRecord->channelValue[5]);
    }
    theApp.m_pMainDlg = nullptr;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeAndProcessTimePacket);

// Depth-mode packets one 10 cm step apart, the cable going down then up.
void BM_DecodeAndProcessDepthPacket(benchmark::State& state)
{
    EnsureBenchApplication();
    SetUpTool();
    CVarnoLogger_KVXDlg dialog(nullptr);
    theApp.m_pMainDlg = &dialog;
    CToolsStream stream;
    constexpr int kPackets = 256;
    DataPacket packets[kPackets];
    for (int i = 0; i < kPackets; ++i) {
        PutDataPacket(3, 800 * (i < kPackets / 2 ? i : kPackets - i));
        std::memcpy(&packets[i], theApp.m_pRxBuffer, sizeof(DataPacket));
    }
    int i = 0;
    for (auto _ : state) {
        std::memcpy(theApp.m_pRxBuffer, &packets[i], sizeof(DataPacket));
        i = (i + 1) % kPackets;
        stream.DecodeDataPacket();
        benchmark::DoNotOptimize(theApp.m_pSampleRecord->channelValue[5]);
    }
    theApp.m_pMainDlg = nullptr;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DecodeAndProcessDepthPacket);

}  // namespace
