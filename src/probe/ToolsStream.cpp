#include "probe/ToolsStream.h"

#include <chrono>
#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "core/Ini.h"
#include "core/RunState.h"
#include "core/Settings.h"
#include "core/ToolRecord.h"
#include "core/VarnoLogger_KVXApp.h"
#include "header/Header.h"
#include "platform/MessageBox.h"
#include "platform/Profile.h"
#include "platform/System.h"
#include "platform/UiThread.h"
#include "probe/AcquisitionHost.h"
#include "probe/CommandFrames.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "toolkit/DialogExt.h"

namespace {

constexpr int kModeUp = 2;
constexpr int kModeDown = 3;
constexpr int kModeTime = 4;
constexpr BYTE kDataValid = 0x01;
constexpr BYTE kChecksumError = 0x08;
constexpr BYTE kEncoderError = 0x40;
constexpr BYTE kLowBattery = 0x80;
constexpr std::uint64_t kTicksPerMs = 10000;  // 100-ns units

const char kWriteFailedText[] =
    "Trouble writing data file: recording stopped.\nThe records written so far are kept.";
const char kFileDeletedText[] = "Trouble writing data file: recording stopped.\nThe data file was deleted.";

// Guards the record file between the reader thread, which appends, and the
// user-interface thread, which closes it at the record's end.
std::mutex g_recordFileMutex;
// Set when a record's first record could not write its start depth into the header.
std::atomic<bool> g_startDepthFailed{false};

// The read-back and recording-time texts are written on the user-interface
// thread, which reads them: the reader leaves the latest values here and
// posts one update at a time.
std::atomic<int> g_voltage{0};
std::atomic<int> g_current{0};
std::atomic<double> g_elapsedMs{-1.0};
std::atomic<bool> g_textsPending{false};

void PostReadoutTexts()
{
    if (g_textsPending.exchange(true))
        return;
    RunOnUiThread([] {
        g_textsPending = false;
        LiveReadout& readout = *theApp.m_pLiveReadout;
        char text[16];
        std::snprintf(text, sizeof text, "%d", g_voltage.load());
        readout.supplyVoltageText = text;
        std::snprintf(text, sizeof text, "%d", g_current.load());
        readout.supplyCurrentText = text;
        double elapsed = g_elapsedMs.exchange(-1.0);
        if (elapsed >= 0.0)
            readout.elapsedText = CToolsStream::ElapsedText(elapsed);
    });
}

void SetReadBacks(BYTE voltage, BYTE current)
{
    LiveReadout& readout = *theApp.m_pLiveReadout;
    readout.supplyVoltage = voltage;
    readout.supplyCurrent = current;
    g_voltage = voltage;
    g_current = current;
    PostReadoutTexts();
}

void SetDepthAndSpeed(std::int32_t depthCounts, std::int16_t speedCounts)
{
    const LoggerSettings& settings = *theApp.m_pLoggerSettings;
    double depth = DepthFromCounts(depthCounts, settings.encoderRate);
    theApp.m_pFrameState->replyDepth = depth;
    theApp.m_pLiveReadout->currentDepth = depth;
    theApp.m_pLiveReadout->cableSpeed = SpeedFromCounts(speedCounts, settings);
}

// Short and data packets carry the same echo fields in bytes 0-4, 11 and the reply flags.
void FillProbeStatus(BYTE status, BYTE gain, BYTE drive, WORD interval, BYTE voltage, BYTE replyFlags)
{
    ProbeStatus& probe = *theApp.m_pProbeStatus;
    probe.status = status;
    probe.echoCommGain = gain;
    probe.echoCommDrive = drive;
    probe.echoInterval = interval;
    probe.echoVoltage = voltage;
    probe.commValid = replyFlags;
    probe.replyKindFlag = 1;
    probe.replySeen = 1;
    probe.updated = 1;
}

void UpdateStatusPanel(bool skipValues)
{
    if (IAcquisitionHost* host = AcquisitionHost())
        host->UpdateStatusPanel(skipValues);
}

void RaiseAlarms(BYTE status)
{
    IAcquisitionHost* host = AcquisitionHost();
    if (host == nullptr)
        return;
    if (status & kEncoderError)
        host->ShowAlert(0);
    if (status >= kLowBattery)
        host->ShowAlert(1);
}

bool Recording() { return theApp.m_pRunState->recording != 0; }

// The panel's error count: packets lost or without valid data, once valid
// packets have been arriving.
void CountErrorPacket()
{
    if (theApp.m_nValidFrames > 0)
        ++theApp.m_nErrorFrames;
}

// 100-ns intervals since 1601-01-01.
std::uint64_t Ticks(const FILETIME& time) { return std::uint64_t(time.dwHighDateTime) << 32 | time.dwLowDateTime; }

std::uint64_t NowTicks()
{
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return Ticks(now);
}

// Truncated toward zero and held within 32 bits, whatever a garbled depth gives.
std::int32_t ClampToInt(double value)
{
    if (std::isnan(value))
        return 0;
    if (!(value > -2147483648.0))
        return INT32_MIN;
    if (!(value < 2147483647.0))
        return INT32_MAX;
    return DoubleToInt(value);
}

FILETIME FileTime(std::uint64_t ticks) { return FILETIME{DWORD(ticks & 0xFFFFFFFF), DWORD(ticks >> 32)}; }

// A full disk may take part of a record: the file keeps whole records only.
bool KeepWholeRecords(std::FILE* file)
{
    const int fd = fileno(file);
    struct stat status {};
    if (fstat(fd, &status) != 0)
        return false;
    return ftruncate(fd, status.st_size - status.st_size % off_t(sizeof(LogRecord))) == 0;
}

std::string TwoDigits(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0%.0f", value);
    std::string padded = text;
    return padded.substr(padded.size() - 2);
}

}  // namespace

void CToolsStream::DecodeStatusPacket()
{
    StatusPacket& packet = *theApp.m_pStatusPacket;
    std::memcpy(&packet, theApp.m_pRxBuffer, sizeof packet);
    FrameState& frame = *theApp.m_pFrameState;
    if (!CheckFrame20(packet)) {
        frame.errorFlags |= kChecksumError;
        frame.replyStatus = kChecksumError;
        CountErrorPacket();
        UpdateStatusPanel(true);
        return;
    }

    ProbeStatus& probe = *theApp.m_pProbeStatus;
    probe.status = packet.status;
    probe.echoWheelWord = packet.settingsWord;
    probe.echoWheelRatio = packet.wheelRatio;
    probe.echoVoltage = packet.voltage;
    probe.echoCommGain = packet.commGain;
    probe.echoCommDrive = packet.commDrive;
    probe.echoInterval = packet.interval;
    probe.commValid = 1;
    probe.replyKindFlag = 0;
    probe.replySeen = 1;
    probe.updated = 1;

    SettingsFrame sent;
    {
        std::lock_guard lock(theApp.m_commandFrameMutex);
        sent = *theApp.m_pSettingsFrame;
    }
    bool echoGood = packet.settingsWord == sent.settingsWord && packet.wheelRatio == sent.wheelRatio &&
                    packet.voltage == sent.voltage;

    SetDepthAndSpeed(packet.depthCounts, packet.speedCounts);
    SetReadBacks(packet.supplyVoltage, packet.supplyCurrent);
    frame.modeByte = packet.status;
    frame.replyStatus = 0;

    UpdateStatusPanel(false);
    if (!echoGood)
        g_bSettingsFramePending = 1;
    RaiseAlarms(packet.status);
}

void CToolsStream::DecodeShortPacket()
{
    ShortPacket& packet = *theApp.m_pShortPacket;
    std::memcpy(&packet, theApp.m_pRxBuffer, sizeof packet);
    // A data packet whose length the link damaged may arrive as a short one.
    if (!CheckFrame16(packet)) {
        CountErrorPacket();
        return;
    }

    FrameState& frame = *theApp.m_pFrameState;
    frame.replyStatus = packet.replyFlags;
    frame.errorFlags |= packet.replyFlags;
    FillProbeStatus(packet.status, packet.commGain, packet.commDrive, packet.interval, packet.supplyVoltage,
                    packet.replyFlags);

    const int mode = packet.status & 0x0F;
    SetDepthAndSpeed(packet.depthCounts, packet.speedCounts);
    CheckWinchDirection(mode, theApp.m_pLiveReadout->cableSpeed);
    SetReadBacks(packet.supplyVoltage, packet.supplyCurrent);
    frame.modeByte = packet.status;

    UpdateStatusPanel(false);
    RaiseAlarms(packet.status);

    // The cable must not go back over depths already stored.
    if (!Recording())
        return;
    if ((mode == kModeUp && frame.replyDepth > theApp.m_dRecordDepth) ||
        (mode == kModeDown && frame.replyDepth < theApp.m_dRecordDepth))
        theApp.m_bBadWinchDirection = 1;
}

void CToolsStream::DecodeDataPacket()
{
    theApp.m_bBadWinchDirection = 0;
    DataPacket& packet = *theApp.m_pDataPacket;
    std::memcpy(&packet, theApp.m_pRxBuffer, sizeof packet);
    if (!CheckFrame31(packet)) {
        CountErrorPacket();
        return;
    }

    WORD interval = WORD(packet.depthStep | packet.overrun << 8);
    FillProbeStatus(packet.status, packet.commGain, packet.commDrive, interval, packet.supplyVoltage,
                    packet.replyFlags);
    SetDepthAndSpeed(packet.depthCounts, packet.speedCounts);
    FrameState& frame = *theApp.m_pFrameState;

    // One packet is stored whole or not at all, whenever the record starts or stops.
    const bool recording = Recording();
    const int mode = packet.status & 0x0F;
    const int steps = CountSteps(packet, frame.replyDepth, recording);
    if (mode != kModeTime)
        CheckWinchDirection(mode, theApp.m_pLiveReadout->cableSpeed);
    SetReadBacks(packet.supplyVoltage, packet.supplyCurrent);

    // A reading count of 0 would scale by 50/0: stored as 50 readings.
    if (packet.n == 0) {
        packet.frameByte = 0x41;
        packet.n = 50;
    }
    frame.errorFlags |= packet.replyFlags;
    frame.replyStatus = packet.replyFlags;
    frame.overrun = (mode != kModeTime && packet.overrun != 0) ? 1 : 0;

    const bool valid = (packet.replyFlags & kDataValid) != 0;
    {
        std::lock_guard lock(theApp.m_lastValuesMutex);
        LastFrameValues& last = theApp.m_lastFrameValues;
        if (valid) {
            std::memcpy(last.channel, packet.channelSums, sizeof last.channel);
            last.frameBytes[0] = packet.frameByte;
            last.frameBytes[1] = packet.n;
        } else {
            // No valid data: the curves and the file go on with the last valid values.
            std::memcpy(packet.channelSums, last.channel, sizeof last.channel);
            packet.frameByte = last.frameBytes[0];
            packet.n = last.frameBytes[1];
        }
    }

    // Steps the logger skipped are filled with this packet's values, each
    // record at its own step's depth: the disk may fill before this packet's own.
    const double from = theApp.m_dRecordDepth;
    const double step = std::copysign(packet.depthStep / 100.0, frame.replyDepth - from);
    for (int i = 1; i < steps; ++i) {
        ProcessStep();
        if (recording)
            WriteDataLine(from + i * step);
    }
    ProcessStep();
    m_dLastStepDepth = frame.replyDepth;
    if (valid)
        RaiseAlarms(packet.status);
    if (recording)
        WriteDataLine(frame.replyDepth);
    UpdateStatusPanel(false);

    if (valid)
        ++theApp.m_nValidFrames;
    else
        CountErrorPacket();
}

int CToolsStream::CountSteps(const DataPacket& packet, double depth, bool recording)
{
    if ((packet.status & 0x0F) == kModeTime) {
        m_bDepthReferenceUnset = true;
        return 1;
    }
    double reference = 0.0;
    if (recording) {
        if (theApp.m_bRewriteStartDepth)
            return 0;  // the first record of a record: this packet alone
        reference = theApp.m_dRecordDepth;
    } else if (m_bDepthReferenceUnset) {
        m_bDepthReferenceUnset = false;
        m_dLastStepDepth = depth;
        return 1;
    } else {
        reference = m_dLastStepDepth;
    }
    // A step of 0 cm would make the count unbounded: such a packet is one step.
    if (packet.depthStep == 0)
        return 1;
    // Snapped to a millionth of a step first: 0.35 m / 0.10 m must give 3.5, not 3.4999....
    double ratio = std::fabs(reference - depth) / (packet.depthStep / 100.0);
    double steps = CDialogExt::Round(std::round(ratio * 1e6) / 1e6);
    if (!std::isfinite(steps))
        return 1;
    const int most = recording ? kMaxRecordStepsPerPacket : kMaxStepsPerPacket;
    return steps > most ? most : int(steps);
}

void CToolsStream::CheckWinchDirection(int mode, double speed)
{
    if (mode == kModeTime) {
        theApp.m_bBadWinchDirection = 0;
        return;
    }
    bool good = theApp.m_bDownDirection ? speed > -0.5 : speed < 0.5;
    theApp.m_bBadWinchDirection = good ? 0 : 1;
    // Standing or reversed time does not count into the recording duration.
    if (Recording() && (!good || (speed > -0.1 && speed < 0.1)))
        theApp.m_ftRecordStart = FileTime(NowTicks());
}

void CToolsStream::ProcessStep()
{
    if (IAcquisitionHost* host = AcquisitionHost())
        host->ProcessLiveFrame(*theApp.m_pDataPacket);
}

void CToolsStream::WriteDataLine(double depth)
{
    const DataPacket& packet = *theApp.m_pDataPacket;
    if (packet.n == 0)
        return;
    Store stored = Store::Done;
    {
        // Held throughout: a record stopped while this packet was decoded takes
        // nothing of it, neither its depth nor its time.
        std::lock_guard lock(g_recordFileMutex);
        if (theApp.m_pRecordFile == nullptr && !Recording())
            return;
        if (theApp.m_bRewriteStartDepth) {
            m_bStoreFailed = false;  // a new record
            m_nDurationCarry = 0;
            // A header without the first record's depth would not describe the
            // data file: nothing is stored, and the panel ends the record.
            if (!RewriteStartDepth(depth)) {
                g_startDepthFailed = true;
                m_bStoreFailed = true;
            }
        }
        if (m_bStoreFailed)
            return;
        const std::uint64_t now = NowTicks();
        stored = AppendRecord();
        // The record's end depth and time are those of its last whole record.
        if (stored == Store::Done) {
            theApp.m_dRecordDepth = depth;
            AddRecordingTime(now);
            // Told within the lock: a record closed after this takes the step with it.
            if (IAcquisitionHost* host = AcquisitionHost())
                host->LiveStepStored();
        }
    }
    // Out of the lock: on the user-interface thread the report stops the record at once.
    // A record ended between the check and the write is no failure.
    if (stored != Store::Done && Recording())
        ReportStoreFailure(stored);
}

// The first record of a record fixes the start depth in the header file.
bool CToolsStream::RewriteStartDepth(double depth)
{
    theApp.m_bRewriteStartDepth = 0;
    CIni header(theApp.m_pPathSettings->LastFile, TRUE);
    return header.WriteInts({{"Startdepth", HeaderDepth(depth)}}, CHeader::kWellInfoSection, KeptRoom::Keep) ==
           ProfileWrite::Written;
}

std::int32_t CToolsStream::HeaderDepth(double metres)
{
    double depthMm = std::trunc(metres * 1000.0);
    if (theApp.m_pLoggerSettings->recordingMode == kModeDown)
        depthMm += std::trunc(theApp.m_pToolRecord->SondeLength * -10.0);
    return ClampToInt(depthMm);
}

bool CToolsStream::StartDepthWriteFailed() { return g_startDepthFailed; }

// Records may come faster than one a millisecond: what is left below the
// millisecond goes with the next record, so that none of the time is lost.
void CToolsStream::AddRecordingTime(std::uint64_t now)
{
    const std::uint64_t start = Ticks(theApp.m_ftRecordStart);
    if (now > start) {
        const std::uint64_t ticks = now - start + m_nDurationCarry;
        *theApp.m_pRecordDuration += std::uint32_t(ticks / kTicksPerMs);
        m_nDurationCarry = ticks % kTicksPerMs;
    }
    theApp.m_ftRecordStart = FileTime(now);
    FormatElapsed(*theApp.m_pRecordDuration);
}

// The caller holds g_recordFileMutex.
CToolsStream::Store CToolsStream::AppendRecord()
{
    const DataPacket& packet = *theApp.m_pDataPacket;
    LogRecord record;
    record.frameByte = packet.frameByte;
    record.n = packet.n;
    std::memcpy(record.channelSums, packet.channelSums, sizeof record.channelSums);

    std::FILE* file = theApp.m_pRecordFile;
    if (file == nullptr)
        return Store::Failed;
    if (std::fwrite(&record, sizeof record, 1, file) != 1 || std::fflush(file) != 0) {
        KeepWholeRecords(file);
        return Store::Failed;
    }
    // A data file deleted while recording takes writes that no one will read.
    struct stat status {};
    if (fstat(fileno(file), &status) == 0 && status.st_nlink == 0)
        return Store::Deleted;
    return Store::Done;
}

// Once per record: nothing more is stored, and the operator is told.
void CToolsStream::ReportStoreFailure(Store result)
{
    if (m_bStoreFailed.exchange(true))
        return;
    const char* text = result == Store::Deleted ? kFileDeletedText : kWriteFailedText;
    RunOnUiThread([text] {
        if (IAcquisitionHost* host = AcquisitionHost())
            host->OnDataFileWriteFailed();
        AfxMessageBox(text, MB_ICONERROR);
    });
}

bool CToolsStream::OpenRecordFile(const char* path)
{
    std::lock_guard lock(g_recordFileMutex);
    g_startDepthFailed = false;
    if (theApp.m_pRecordFile != nullptr)
        std::fclose(theApp.m_pRecordFile);
    theApp.m_pRecordFile = std::fopen(path, "ab");
    return theApp.m_pRecordFile != nullptr;
}

void CToolsStream::CloseRecordFile()
{
    std::lock_guard lock(g_recordFileMutex);
    if (theApp.m_pRecordFile != nullptr)
        std::fclose(theApp.m_pRecordFile);
    theApp.m_pRecordFile = nullptr;
}

bool CToolsStream::ReadDataLineInFile(std::int64_t position, LogRecord& record)
{
    std::FILE* file = std::fopen(theApp.m_pPathSettings->DataFile, "rb");
    if (file == nullptr) {
        AfxMessageBox("Trouble opening file.", MB_ICONERROR);
        return false;
    }
    if (position < 0 || fseeko(file, off_t(position), SEEK_SET) != 0) {
        std::fprintf(stderr, "Function: %s\nFile: %s\nLine: %d\n", "CToolsStream::ReadDataLineInFile",
                     "ToolsStream", __LINE__);
        std::fclose(file);
        return false;
    }
    // A short read at the end of the file gives no record: never stale bytes.
    LogRecord read;
    bool whole = std::fread(&read, sizeof read, 1, file) == 1;
    std::fclose(file);
    if (!whole)
        return false;
    record = read;
    theApp.m_nReplayPos = position + std::int64_t(sizeof read);
    return true;
}

void CToolsStream::FormatElapsed(double milliseconds)
{
    g_elapsedMs = milliseconds;
    PostReadoutTexts();
}

std::string CToolsStream::ElapsedText(double milliseconds)
{
    double seconds = std::floor(milliseconds / 1000.0);
    double hours = std::floor(seconds / 3600.0);
    double minutes = std::floor((seconds - hours * 3600.0) / 60.0);
    double rest = seconds - hours * 3600.0 - minutes * 60.0;
    return TwoDigits(hours) + ":" + TwoDigits(minutes) + ":" + TwoDigits(rest);
}
