// The whole live path of one data packet as the reader thread runs it:
// framing, decoding, sample processing, the curve rings and the hand-overs to
// the probe panel and the curves, with the main window and its panels alive.
// The chip delivers at most about 25,600 data packets per second.
#include <benchmark/benchmark.h>

#include "BenchApplication.h"

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/Application.h"
#include "probe/Frames.h"
#include "res/Resource.h"

namespace {

using Bytes = std::vector<BYTE>;

constexpr int kPacketsPerBatch = 25600;

// A time-mode data packet as the logger frames it.
Bytes DataFrame(BYTE sequence)
{
    Bytes payload(sizeof(DataPacket), 0);
    payload[0] = 0x04;  // time mode
    payload[1] = 15;
    payload[2] = 25;
    payload[3] = 20;
    payload[11] = 93;
    payload[12] = 77;
    payload[13] = 0x41;
    payload[14] = 25;
    for (int c = 0; c < 6; ++c) {
        WORD sum = WORD(1000 + 37 * c + sequence);
        payload[size_t(15 + 2 * c)] = BYTE(sum);
        payload[size_t(16 + 2 * c)] = BYTE(sum >> 8);
    }
    payload[27] = sequence;
    payload[28] = 0x01;  // data valid
    WORD sum = 0;
    for (size_t i = 0; i + 2 < payload.size(); ++i)
        sum = WORD(sum + payload[i]);
    payload[payload.size() - 2] = BYTE(sum);
    payload[payload.size() - 1] = BYTE(sum >> 8);
    const size_t total = payload.size() + 8;
    Bytes frame = {0x55, 0xAA, 0x5A, 0xA5, BYTE(payload.size()), BYTE(total), BYTE(total >> 8)};
    frame.resize(total);
    std::copy(payload.begin(), payload.end(), frame.begin() + 7);
    frame.back() = 0x99;
    return frame;
}

// The chip's receive queue holding one batch; empty, it fails, which ends the reader.
class BatchSource : public IByteSource {
public:
    explicit BatchSource(const Bytes& bytes) : m_bytes(bytes) {}
    FT_STATUS QueueStatus(DWORD* rxBytes) override
    {
        *rxBytes = DWORD(m_bytes.size() - m_at);
        return m_at < m_bytes.size() ? FT_OK : FT_IO_ERROR;
    }
    FT_STATUS Read(BYTE* buffer, DWORD count, DWORD, DWORD* returned) override
    {
        DWORD n = DWORD(std::min<size_t>(count, m_bytes.size() - m_at));
        std::memcpy(buffer, m_bytes.data() + m_at, n);
        m_at += n;
        *returned = n;
        return FT_OK;
    }

private:
    const Bytes& m_bytes;
    size_t m_at = 0;
};

void BM_LivePathPerDataPacket(benchmark::State& state)
{
    EnsureBenchApplication();
    char folder[] = "/tmp/kvx_benchXXXXXX";
    if (mkdtemp(folder) == nullptr) {
        state.SkipWithError("no temporary folder");
        return;
    }
    SetProgramFolder(std::string(folder) + "/");
    // No driver library in this folder: its message is answered, the link stays down.
    SetMessageBoxHandler([](const std::string&, const std::string&, UINT) { return IDOK; });
    SetApplicationName("kvx_bench_live_path");
    {
        auto window = std::make_unique<CVarnoLogger_KVXDlg>(nullptr);
        CVarnoLogger_KVXDlg& dialog = *window;
        theApp.m_pMainDlg = &dialog;
        dialog.Create(IDD_VARNOLOGGER_KVX_DIALOG, nullptr);
        dialog.GetSafeHwnd()->resize(1280, 800);
        // The panel and the curves as they are while the sonde runs in time mode.
        theApp.m_bSondePowered = 1;
        theApp.m_nLinkStatus = 128;
        theApp.m_bUsbHardwarePresent = 1;
        dialog.ResetCurveOrigin(0.0, 0.0, 10);
        QCoreApplication::processEvents();

        Bytes stream;
        for (int i = 0; i < kPacketsPerBatch; ++i) {
            Bytes frame = DataFrame(BYTE(i));
            stream.insert(stream.end(), frame.begin(), frame.end());
        }
        CUSB reader;
        reader.SetDecoder(&dialog.m_ToolsStream);
        for (auto _ : state) {
            BatchSource source(stream);
            std::atomic<bool> done{false};
            std::thread thread([&] {
                reader.ReadReplies(source, CVarnoLogger_KVXApp::kRxBufferSize);
                done = true;
            });
            // The user-interface thread serves the panel's and the curves' waiting updates meanwhile.
            while (!done)
                QCoreApplication::processEvents();
            thread.join();
            QCoreApplication::processEvents();
        }
        state.SetItemsProcessed(state.iterations() * kPacketsPerBatch);
        theApp.m_bClosing = 1;
        dialog.m_PowerDlg.OnClose();
        theApp.m_pMainDlg = nullptr;
    }
    SetMessageBoxHandler(nullptr);
    theApp.m_bClosing = 0;
    theApp.m_bSondePowered = 0;
    theApp.m_nLinkStatus = 0;
}
BENCHMARK(BM_LivePathPerDataPacket)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
