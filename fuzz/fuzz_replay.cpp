// Any bytes as a data file, replayed record by record through the reader and
// sample processing under a header and tool taken from the input: no crash,
// and the reader never hands out more whole records than the file holds.
#include <QGuiApplication>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/HeaderRecord.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/ToolsStream.h"

namespace {

constexpr size_t kSetupBytes = 8 + 6 * 8;
// Never destroyed: they outlive the static objects that Qt tears down at exit.
QGuiApplication* g_app = nullptr;
CVarnoLogger_KVXDlg* g_dialog = nullptr;
std::string g_path;

template <class T>
T Take(const uint8_t*& data)
{
    T value;
    std::memcpy(&value, data, sizeof value);
    data += sizeof value;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    g_app = new QGuiApplication(*argc, *argv);
    g_dialog = new CVarnoLogger_KVXDlg(nullptr);
    theApp.m_pMainDlg = g_dialog;
    g_path = "/tmp/kvx_fuzz_replay_" + std::to_string(getpid()) + ".log";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kSetupBytes || size > kSetupBytes + 4096)
        return 0;
    HeaderRecord& header = *theApp.m_pHeaderRecord;
    header.LogMode = 10 + Take<uint8_t>(data) % 4;
    header.step = Take<int32_t>(data);
    theApp.m_pFrameState->replayDepth = Take<int16_t>(data);
    theApp.m_nLinkStatus = Take<uint8_t>(data);
    for (int c = 0; c < 6; ++c) {
        ChannelRecord& channel = theApp.m_pToolRecord->channels[c];
        channel.PhysicalCh = Take<int8_t>(data);
        channel.Coefficient[0] = Take<int8_t>(data);
        channel.Coefficient[1] = Take<int16_t>(data) / 16.0;
        channel.Coefficient[2] = Take<int16_t>(data) * 1e-3;
        channel.Coefficient[3] = std::ldexp(1.0, Take<int16_t>(data) % 1100);
    }
    size -= kSetupBytes;

    std::FILE* file = std::fopen(g_path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    CopyBounded(theApp.m_pPathSettings->DataFile, g_path);

    CToolsStream stream;
    LogRecord record;
    std::int64_t position = 0;
    size_t records = 0;
    while (stream.ReadDataLineInFile(position, record)) {
        g_dialog->ProcessRecord(record);
        position = theApp.m_nReplayPos;
        ++records;
    }
    if (records != size / sizeof(LogRecord))
        std::abort();
    std::remove(g_path.c_str());
    return 0;
}
