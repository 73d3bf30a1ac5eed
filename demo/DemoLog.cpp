#include "DemoLog.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "header/HeaderRecord.h"
#include "platform/MessageBox.h"
#include "probe/CommandFrames.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/ToolsStream.h"
#include "probe/USB.h"
#include "sim/Logger.h"

namespace {

using namespace std::chrono_literals;

constexpr std::uint64_t kSeed = 3241;
constexpr double kWinchSpeed = 15.0;  // m/min, a usual logging speed
constexpr double kRecordFrom = 5.0;   // cable depth (m) at which the record starts
constexpr double kRecordTo = 305.0;   // and at which it stops
constexpr double kDepthSlack = 0.01;  // depths from counts are not exact decimals
// Emulator time after which the winch has plainly not got there.
constexpr auto kGiveUpAfter = 2h;
constexpr int kModeDown = 3;
// The files must not change from one build to the next: no "today" in them.
constexpr const char* kDemoDate = "14 March 2024";

sim::Options EmulatorOptions()
{
    sim::Options options;
    options.seed = kSeed;
    options.speed = kWinchSpeed;
    options.downSeconds = (kRecordTo + 20.0) / kWinchSpeed * 60.0;
    return options;
}

void FillWellInfo(HeaderRecord& h)
{
    h.Company = "Demo company";
    h.Wellname = "Demo well";
    h.Fieldname = "Demo field";
    h.Location = "Test site";
    h.ServiceCompany = "Demo logging";
    h.LogName = "Demo log";
    h.Date = kDemoDate;
    h.DateRun1 = kDemoDate;
    h.RunNo1 = 1;
    h.LogType1 = "GR LN SN SP TEMP CAL";
    h.Fluid1 = "Water";
    h.Comment1 = "Recorded from the logger emulator.";
}

FILETIME FileTimeNow()
{
    using namespace std::chrono;
    constexpr std::uint64_t kUnixEpoch = 116444736000000000ULL;  // in 100 ns since 1601
    const auto since1970 = duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count() / 100;
    const std::uint64_t ticks = kUnixEpoch + std::uint64_t(since1970);
    return FILETIME{DWORD(ticks & 0xFFFFFFFF), DWORD(ticks >> 32)};
}

// What the logger sent, for the reader to take. Once drained the queue
// reports a failure, which returns the reader to its caller.
class LoggerBytes : public IByteSource {
public:
    void Append(const sim::Bytes& bytes) { m_bytes.insert(m_bytes.end(), bytes.begin(), bytes.end()); }

    FT_STATUS QueueStatus(DWORD* rxBytes) override
    {
        *rxBytes = DWORD(m_bytes.size() - m_read);
        return m_read < m_bytes.size() ? FT_OK : FT_IO_ERROR;
    }

    FT_STATUS Read(BYTE* buffer, DWORD count, DWORD, DWORD* returned) override
    {
        const std::size_t n = std::min<std::size_t>(count, m_bytes.size() - m_read);
        std::memcpy(buffer, m_bytes.data() + m_read, n);
        m_read += n;
        if (m_read == m_bytes.size()) {
            m_bytes.clear();
            m_read = 0;
        }
        *returned = DWORD(n);
        return FT_OK;
    }

private:
    sim::Bytes m_bytes;
    std::size_t m_read = 0;
};

// Keeps each step that goes into the data file, to compare with its replay.
class StoringStream : public CToolsStream {
public:
    const std::vector<LogRecord>& Stored() const { return m_stored; }

protected:
    void ProcessStep() override
    {
        CToolsStream::ProcessStep();
        if (!theApp.m_pRunState->recording)
            return;
        const DataPacket& packet = *theApp.m_pDataPacket;
        LogRecord record;
        record.frameByte = packet.frameByte;
        record.n = packet.n;
        for (int c = 0; c < 6; ++c)
            record.channelSums[c] = packet.channelSums[c];
        m_stored.push_back(record);
    }

private:
    std::vector<LogRecord> m_stored;
};

// The emulator's logger model on a clock of its own, wired to the program's
// reader as the link would be, and a record run as the probe panel runs one.
class DemoRecorder {
public:
    DemoRecorder() : m_options(EmulatorOptions()), m_logger(m_options, m_log) {}

    bool Run()
    {
        m_now = sim::Clock::time_point{} + 1s;
        m_logger.connected(m_now);
        m_usb.SetDecoder(&m_stream);

        // The reader's first frame on a new link, then the sonde powered in down-depth mode.
        SettingsFrame& settings = *theApp.m_pSettingsFrame;
        FillSettingsFrame(*theApp.m_pLoggerSettings, encoderRateLimit, settings);
        MakeFrameCmd1(settings);
        Send(&settings, sizeof settings);
        theApp.m_pLoggerSettings->recordingMode = kModeDown;
        theApp.m_nSavedRecordingMode = kModeDown;
        SendRecordingModeFrame();

        const auto giveUp = m_now + kGiveUpAfter;
        while (m_now < giveUp) {
            Advance();
            const RunState& run = *theApp.m_pRunState;
            if (!run.recording) {
                if (!run.recordStarted && theApp.m_pFrameState->replyDepth >= kRecordFrom - kDepthSlack &&
                    !StartRecording())
                    return false;
                continue;
            }
            if (theApp.m_dRecordDepth >= kRecordTo - kDepthSlack) {
                StopRecording();
                return ReplayMatches();
            }
        }
        std::fprintf(stderr, "makedemo: the winch never took the sonde to %.1f m\n", kRecordTo);
        return false;
    }

private:
    // Frames go through the emulator's own frame cutter, as from its socket.
    void Send(const void* frame, std::size_t size)
    {
        for (const sim::RxItem& item : m_frames.push(static_cast<const std::uint8_t*>(frame), size, m_now)) {
            if (item.kind == sim::RxItem::Kind::Frame && item.checksumOk)
                m_logger.receive(item.bytes, m_now);
        }
        Pump();
    }

    void SendRecordingModeFrame()
    {
        RecordingModeFrame& frame = *theApp.m_pRecordingModeFrame;
        FillRecordingModeFrame(*theApp.m_pLoggerSettings, encoderRateLimit, frame);
        MakeFrameCmd6(frame);
        Send(&frame, sizeof frame);
    }

    // Hands what the logger sent to the reader, which decodes it packet by packet.
    void Pump()
    {
        const sim::Bytes out = m_logger.takeOutput();
        if (out.empty())
            return;
        m_bytes.Append(out);
        m_usb.ReadReplies(m_bytes, CVarnoLogger_KVXApp::kRxBufferSize);
    }

    void Advance()
    {
        m_now = std::max(m_logger.nextWake(m_now), m_now + 1ms);
        m_logger.tick(m_now);
        Pump();
    }

    bool StartRecording()
    {
        RunState& run = *theApp.m_pRunState;
        const PathSettings& paths = *theApp.m_pPathSettings;
        *theApp.m_pRecordDuration = 0;
        run.playing = 0;
        theApp.m_pRecordFile = std::fopen(paths.DataFile, "ab");
        if (theApp.m_pRecordFile == nullptr) {
            AfxMessageBox("Trouble opening file.", MB_ICONERROR);
            return false;
        }
        theApp.m_ftRecordStart = FileTimeNow();
        theApp.m_bRewriteStartDepth = 1;
        theApp.m_bDownDirection = 1;
        run.recordPaused = 0;
        run.recordStarted = 1;

        const double depth = theApp.m_pFrameState->replyDepth;
        const int startMm = DoubleToInt(depth * 1000.0) + DoubleToInt(theApp.m_pToolRecord->SondeLength * -10.0);
        theApp.m_pHeaderRecord->step = theApp.m_pLoggerSettings->DepthInterval * 10;
        CIni header(paths.LastFile, TRUE);
        header.WriteInt("Startdepth", startMm, CHeader::kWellInfoSection);
        header.WriteInt("StartTime", 0, CHeader::kWellInfoSection);
        header.WriteInt("step", theApp.m_pHeaderRecord->step, CHeader::kWellInfoSection);
        theApp.m_dRecordDepth = depth;
        run.recording = 1;
        theApp.m_nValidFrames = 0;
        theApp.m_nErrorFrames = 0;
        m_recordStart = m_now;
        return true;
    }

    void StopRecording()
    {
        CToolsStream::CloseRecordFile();
        theApp.m_pRunState->recording = 0;
        const int endMm = DoubleToInt(theApp.m_dRecordDepth * 1000.0) +
                          DoubleToInt(theApp.m_pToolRecord->SondeLength * -10.0);
        // The record lasted what the winch took on the emulator's clock, not this tool's run time.
        const auto duration = std::chrono::duration_cast<std::chrono::milliseconds>(m_now - m_recordStart);
        CIni header(theApp.m_pPathSettings->LastFile, TRUE);
        header.WriteInt("EndDepth", endMm, CHeader::kWellInfoSection);
        header.WriteInt("EndTime", int(duration.count()), CHeader::kWellInfoSection);
        theApp.m_pLoggerSettings->recordingMode = theApp.m_nSavedRecordingMode;
        SendRecordingModeFrame();
    }

    // Every record read back by the replay reader is the step that was stored.
    bool ReplayMatches()
    {
        const std::vector<LogRecord>& stored = m_stream.Stored();
        std::error_code error;
        const auto size = std::filesystem::file_size(theApp.m_pPathSettings->DataFile, error);
        if (error || stored.empty() || size != stored.size() * sizeof(LogRecord)) {
            std::fprintf(stderr, "makedemo: the data file does not hold the %zu steps stored\n", stored.size());
            return false;
        }
        for (std::size_t i = 0; i < stored.size(); ++i) {
            LogRecord read;
            if (!m_stream.ReadDataLineInFile(std::int64_t(i * sizeof(LogRecord)), read) || read.n == 0 ||
                std::memcmp(&read, &stored[i], sizeof read) != 0) {
                std::fprintf(stderr, "makedemo: record %zu does not replay as stored\n", i);
                return false;
            }
        }
        return true;
    }

    sim::Options m_options;
    sim::EventLog m_log{"", false};
    sim::Logger m_logger;
    sim::FrameReader m_frames;
    sim::Clock::time_point m_now{};
    sim::Clock::time_point m_recordStart{};
    LoggerBytes m_bytes;
    StoringStream m_stream;
    CUSB m_usb;
};

}  // namespace

bool RecordDemoLog()
{
    const PathSettings& paths = *theApp.m_pPathSettings;
    // The record appends: a data file from an earlier run must go first.
    std::error_code error;
    std::filesystem::remove(paths.DataFile, error);

    theApp.m_pLoggerSettings->recordingMode = kModeDown;
    CHeader header;
    header.ResetWellInfo();
    header.ResetHeader();
    FillWellInfo(*theApp.m_pHeaderRecord);
    header.WriteHeader(paths.LastFile);
    if (!std::filesystem::exists(paths.LastFile, error))
        return false;

    DemoRecorder recorder;
    return recorder.Run();
}
