#include "probe/USB.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <type_traits>
#include <vector>

#include "core/Preferences.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "platform/Application.h"
#include "platform/MessageBox.h"
#include "platform/System.h"
#include "platform/UiThread.h"
#include "probe/AcquisitionHost.h"
#include "probe/CommandFrames.h"
#include "toolkit/DialogExt.h"

namespace {

constexpr DWORD kLinkRetryMs = 250;
constexpr int kChecksBeforeMessage = 35;
constexpr DWORD kHeaderReadMs = 1500;
constexpr DWORD kPayloadReadMs = 300;
constexpr DWORD kReaderWriteMs = 100;
// Reads wait in slices this long, so that closing is noticed well within
// the shut-down wait of 2 s whatever the read time-out.
constexpr DWORD kReadSliceMs = 100;
constexpr DWORD kThreadEndWaitMs = 2000;
constexpr int kTxWaitMs = 200;
constexpr int kTxWaitStepMs = 4;

constexpr WORD kFtdiVendor = 0x0403;
constexpr WORD kLoggerProduct = 0xED30;
constexpr WORD kFtdiProduct = 0x6001;

constexpr UINT kQueueFailed = 5550;
constexpr UINT kReaderClosed = 2;
constexpr UINT kReaderClosedInFrame = 69;

std::string StatusTextOf(FT_STATUS status)
{
    switch (status) {
    case 0: return "Devise OK, no error";
    case 1: return "Invalid handle";
    case 2: return "Device not found:";
    case 3: return "Device not opened";
    case 4: return "IO Error";
    case 5: return "Insufficient ressources";
    case 6: return "invalid parameter send";
    default: return "";
    }
}

std::string IntText(int value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%d", value);
    return text;
}

std::string DepthText(double depth)
{
    if (std::isfinite(depth) && depth > -100000 && depth < 100000)
        return FormatDialogNumber(depth, 2, 'f');
    return " --- ";
}

// Builds a command frame in theApp's record, which any thread may be sending
// and the reader compares echoes with, and returns a copy to send.
template <class Frame, class Build>
Frame BuildFrame(Frame& shared, Build build)
{
    std::lock_guard lock(theApp.m_commandFrameMutex);
    build(shared);
    return shared;
}

bool IsLargePacket(int size)
{
    return size == 405 || size == 525 || size == 765 || size == 1485;
}

}  // namespace

// The opened device as the reader's byte source.
class CUSB::DeviceSource final : public IByteSource {
public:
    explicit DeviceSource(CUSB& usb) : m_usb(usb) {}

    FT_STATUS QueueStatus(DWORD* rxBytes) override
    {
        return m_usb.m_pFT_GetQueueStatus(m_usb.m_hDevice, rxBytes);
    }

    FT_STATUS Read(BYTE* buffer, DWORD count, DWORD timeoutMs, DWORD* returned) override
    {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        *returned = 0;
        while (*returned < count && !theApp.m_bClosing) {
            auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0)
                break;
            FT_HANDLE device = m_usb.m_hDevice;
            m_usb.m_pFT_SetTimeouts(device, std::min<DWORD>(DWORD(left), kReadSliceMs), kReaderWriteMs);
            DWORD n = 0;
            FT_STATUS status = m_usb.m_pFT_Read(device, buffer + *returned, count - *returned, &n);
            *returned += std::min(n, count - *returned);
            if (status != FT_OK)
                return status;
        }
        return FT_OK;
    }

private:
    CUSB& m_usb;
};

CUSB::CUSB() : m_strLibraryPath(GetProgramFolder() + "libftd2xx.so") {}

CUSB::~CUSB()
{
    bool ended = true;
    // A failing reader may have started a link thread, and a link thread a
    // reader: each is waited for after the one that could have started it.
    for (auto* slot : {&theApp.m_pReadThread, &theApp.m_pLinkThread, &theApp.m_pReadThread, &m_pWriteThread}) {
        if (auto thread = slot->load())
            ended = thread->WaitForEnd(kThreadEndWaitMs) && ended;
    }
    if (!ended)
        return;  // a thread still holds the library: leave it loaded
    if (m_hDevice.load() != nullptr && m_pFT_Close != nullptr)
        m_pFT_Close(m_hDevice.exchange(nullptr));
    if (m_hLibrary != nullptr)
        dlclose(m_hLibrary);
}

bool CUSB::Init()
{
    {
        std::lock_guard lock(m_textMutex);
        m_strDescription = "Logger";
        m_strSerialNumber = "KP-00000000";
    }
    m_bDeviceRecognised = 0;
    theApp.m_bReadThreadRunning = 0;
    if (!LoadDriver()) {
        SetLinkText("USB not installed.");
        SetStatusText(1, LinkText());
        theApp.m_bUsbDriverOk = 0;
        return false;
    }
    SetLinkText("Checking USB status.");
    SetStatusText(1, LinkText());
    // Set before the link thread starts: its first writer thread checks it.
    theApp.m_bUsbDriverOk = 1;
    StartLinkThread();
    return true;
}

bool CUSB::LoadDriver()
{
    m_hLibrary = dlopen(m_strLibraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_hLibrary == nullptr) {
        AfxMessageBox("USB driver not installed.", MB_ICONERROR);
        return false;
    }
    const char* missing = nullptr;
    auto resolve = [&](const char* name, auto& entry) {
        if (missing != nullptr)
            return;
        entry = reinterpret_cast<std::remove_reference_t<decltype(entry)>>(dlsym(m_hLibrary, name));
        if (entry == nullptr)
            missing = name;
    };
    resolve("FT_Write", m_pFT_Write);
    resolve("FT_Read", m_pFT_Read);
    resolve("FT_Open", m_pFT_Open);
    resolve("FT_OpenEx", m_pFT_OpenEx);
    resolve("FT_ListDevices", m_pFT_ListDevices);
    resolve("FT_Close", m_pFT_Close);
    resolve("FT_ResetDevice", m_pFT_ResetDevice);
    resolve("FT_Purge", m_pFT_Purge);
    resolve("FT_SetTimeouts", m_pFT_SetTimeouts);
    resolve("FT_GetQueueStatus", m_pFT_GetQueueStatus);
    resolve("FT_SetBreakOn", m_pFT_SetBreakOn);
    resolve("FT_SetBreakOff", m_pFT_SetBreakOff);
    resolve("FT_GetStatus", m_pFT_GetStatus);
    resolve("FT_SetEventNotification", m_pFT_SetEventNotification);
    resolve("FT_EE_Read", m_pFT_EE_Read);
    resolve("FT_EE_Program", m_pFT_EE_Program);
    resolve("FT_EE_UARead", m_pFT_EE_UARead);
    resolve("FT_EE_UAWrite", m_pFT_EE_UAWrite);
    resolve("FT_EE_UASize", m_pFT_EE_UASize);
    resolve("FT_GetLatencyTimer", m_pFT_GetLatencyTimer);
    resolve("FT_SetLatencyTimer", m_pFT_SetLatencyTimer);
    if (missing == nullptr)
        return true;
    AfxMessageBox(std::string("Error:\n Can't Find ") + missing + " \n Install the last version USB FTDI driver",
                  MB_ICONERROR);
    dlclose(m_hLibrary);
    m_hLibrary = nullptr;
    return false;
}

FT_STATUS CUSB::OpenDevice()
{
    FT_HANDLE device = nullptr;
    FT_STATUS status = m_pFT_Open(0, &device);
    if (status != FT_OK)
        return status;
    m_hDevice = device;

    char manufacturer[FT_EE_MANUFACTURER_SIZE] = {};
    char manufacturerId[FT_EE_MANUFACTURER_ID_SIZE] = {};
    char description[FT_EE_DESCRIPTION_SIZE] = {};
    char serialNumber[FT_EE_SERIAL_NUMBER_SIZE] = {};
    FT_PROGRAM_DATA data{};
    data.Manufacturer = manufacturer;
    data.ManufacturerId = manufacturerId;
    data.Description = description;
    data.SerialNumber = serialNumber;
    status = m_pFT_EE_Read(device, &data);
    if (status != FT_OK)
        return status;

    if (data.VendorId == kFtdiVendor && (data.ProductId == kLoggerProduct || data.ProductId == kFtdiProduct)) {
        m_bDeviceRecognised = 1;
        std::lock_guard lock(m_textMutex);
        m_strSerialNumber.assign(serialNumber, strnlen(serialNumber, sizeof serialNumber));
        return FT_OK;
    }
    m_bDeviceRecognised = 0;
    SetLinkText("USB unknown");
    return FT_DEVICE_NOT_FOUND;
}

void CUSB::CheckLink()
{
    m_bDeviceRecognised = 0;
    if (m_nDots > 9)
        m_nDots = 0;
    if (m_nDots >= 1)
        SetLinkText("Checking USB Link " + std::string(size_t(m_nDots), '.'));
    ++m_nDots;

    OpenDevice();
    if (!m_bDeviceRecognised) {
        ApplyIdleTimeouts();
        return;
    }
    FT_HANDLE device = m_hDevice;
    m_pFT_ResetDevice(device);
    m_pFT_SetTimeouts(device, 3000, 3000);
    DWORD waiting = 0;
    if (m_pFT_GetQueueStatus(device, &waiting) == FT_OK && waiting > 0) {
        std::vector<BYTE> scratch(waiting, 0);
        DWORD n = 0;
        m_pFT_Read(device, scratch.data(), waiting, &n);
    }
    m_pFT_Purge(device, FT_PURGE_RX);

    if (!m_bConnectedOnce) {
        SendChannelFrame();
        theApp.m_bTxActivity = 1;
        Sleep(500);
    }
    SetLinkText("USB link connected");
    if (theApp.m_bSondePowered) {
        Beep(300, 100);
        Beep(1200, 200);
    }
    // Before the reader starts, so that its own 1 ms latency holds while it reads.
    ApplyIdleTimeouts();
    theApp.m_pReadThread = CWinThread::Begin([this] { return ReadThreadProc(this); }, THREAD_PRIORITY_TIME_CRITICAL);
}

void CUSB::ApplyIdleTimeouts()
{
    FT_HANDLE device = m_hDevice;
    m_pFT_SetTimeouts(device, 3, 3);
    m_pFT_SetLatencyTimer(device, 2);
}

void CUSB::StartLinkThread()
{
    theApp.m_pLinkThread = CWinThread::Begin([this] { return LinkThreadProc(this); }, THREAD_PRIORITY_NORMAL);
}

UINT CUSB::LinkThreadProc(CUSB* usb)
{
    // One link thread at a time.
    if (theApp.m_bLinkThreadRunning.exchange(1) != 0)
        return 1;
    for (;;) {
        if (!theApp.m_bLinkThreadRunning)
            return 1;
        if (theApp.m_bClosing) {
            theApp.m_bLinkThreadRunning = 0;
            return 0;
        }
        theApp.m_nLinkStatus = kLinkChecking;
        if (FT_HANDLE old = usb->m_hDevice.exchange(nullptr))
            usb->m_pFT_Close(old);
        usb->CheckLink();
        usb->SetStatusText(1, usb->LinkText());
        theApp.m_nLinkStatus = kLinkChecked;

        if (usb->m_bDeviceRecognised) {
            // Ends here: a reader failing at once may already start the next link thread.
            usb->m_nPacketCount = 0;
            usb->SetStatusText(3, "0");
            theApp.m_bLinkThreadRunning = 0;
            return 1;
        }
        if (theApp.m_bClosing) {
            theApp.m_bLinkThreadRunning = 0;
            return 0;
        }
        usb->SetStatusText(2, "Not hardware detected.");
        theApp.m_bUsbHardwarePresent = 0;
        usb->UpdateStatusPanel(true);
        if (!usb->m_bConnectedOnce) {
            if (theApp.m_bSondePowered)
                usb->SwitchSondeOff();
            usb->m_nRetries = 0;
        } else if (++usb->m_nRetries >= kChecksBeforeMessage) {
            usb->m_bConnectedOnce = 0;
            AfxMessageBox("I/O USB error.\nApplication stopped at " + DepthText(theApp.m_pLiveReadout->currentDepth) +
                              "m.",
                          MB_ICONERROR);
        }
        Sleep(kLinkRetryMs);
    }
}

UINT CUSB::ReadThreadProc(CUSB* usb)
{
    if (theApp.m_bClosing)
        return kReaderClosedInFrame;
    theApp.m_bReadThreadRunning = 1;
    int idle = -1;
    if (!usb->m_nReaderInstances.compare_exchange_strong(idle, 0))
        return 2;
    UINT result = usb->RunReader();
    if (result != kQueueFailed) {
        usb->m_nReaderInstances = -1;
        theApp.m_bReadThreadRunning = 0;
        return result;
    }
    if (theApp.m_bSondePowered) {
        Beep(1200, 100);
        Beep(300, 200);
    }
    usb->ReportError(usb->m_nLastQueueStatus, int(kQueueFailed));
    // Released before the next link thread may start its reader.
    usb->m_nReaderInstances = -1;
    theApp.m_bReadThreadRunning = 0;
    // A closing program looks for no logger: no thread may outlive the link.
    if (!theApp.m_bClosing)
        usb->StartLinkThread();
    theApp.m_nLinkStatus = kLinkFailed;
    RunOnUiThread([] {
        theApp.m_pLiveReadout->supplyVoltageText.clear();
        theApp.m_pLiveReadout->supplyCurrentText.clear();
    });
    usb->UpdateStatusPanel(false);
    return kQueueFailed;
}

UINT CUSB::RunReader()
{
    theApp.m_bUsbHardwarePresent = 1;
    FT_HANDLE device = m_hDevice;
    m_pFT_SetTimeouts(device, kHeaderReadMs, kReaderWriteMs);
    if (m_pFT_SetLatencyTimer(device, 1) == FT_OK) {
        std::string description = GetDescription();
        std::string serial = GetSerialNumber();
        RunOnUiThread([description, serial] {
            theApp.m_strLoggerDescription = description;
            theApp.m_strLoggerSerial = serial;
        });
    }
    if (!m_bConnectedOnce) {
        SendSettingsFrame();
        Sleep(300);
        m_bConnectedOnce = 1;
    }
    DeviceSource source(*this);
    return ReadReplies(source, CVarnoLogger_KVXApp::kRxBufferSize);
}

UINT CUSB::ReadReplies(IByteSource& source, std::size_t capacity)
{
    BYTE* header = theApp.m_pRxHeader;
    int got = 0;
    m_nRetries = 0;
    while (!theApp.m_bClosing) {
        DWORD queued = 0;
        FT_STATUS status = source.QueueStatus(&queued);
        if (status != FT_OK) {
            m_nLastQueueStatus = status;
            return kQueueFailed;
        }
        if (got < kReplyHeaderSize) {
            DWORD n = 0;
            status = source.Read(header + got, DWORD(kReplyHeaderSize - got), kHeaderReadMs, &n);
            if (status != FT_OK)
                ReportError(status, 5552);
            got += int(n);
            if (got < kReplyHeaderSize)
                continue;
        }
        BYTE type = 0;
        int length = 0;
        if (CheckHeaderUSBTrame(source, header, capacity, &type, &length) != 0)
            continue;  // the window stays full: the next pass searches on
        if (!IsReplyPayloadSize(length - 1) || std::size_t(length) > capacity) {
            // A length of no reply kind is a damaged header: waiting for that many
            // bytes would swallow the packets behind it. Only this one is lost.
            CountFramingError();
            theApp.m_nLinkStatus = kLinkFailed;
            std::memmove(header, header + 1, kReplyHeaderSize - 1);
            got = kReplyHeaderSize - 1;
            continue;
        }

        DWORD have = 0;
        bool broken = false;
        while (have < DWORD(length)) {
            if (theApp.m_bClosing)
                return kReaderClosedInFrame;
            DWORD n = 0;
            status = source.Read(header + have, DWORD(length) - have, kPayloadReadMs, &n);
            have += n;
            if (status != FT_OK) {
                ReportError(status, 5553);
                broken = true;
                break;
            }
        }
        got = 0;
        if (broken)
            continue;  // a frame cut by a failed read is never decoded

        if (header[length - 1] == kReplyEndByte) {
            if (theApp.m_bClosing)
                return kReaderClosedInFrame;
            std::memcpy(theApp.m_pRxBuffer, header, std::size_t(length - 1));
            DispatchPacket(length - 1);
        } else {
            if (length > 400)
                DispatchPacket(length - 1);
            CountFramingError();
        }
        m_nRetries = 0;
        theApp.m_bRxActivity = 1;
    }
    return kReaderClosed;
}

// A frame lost to its length or its end byte: counted in the status bar, and
// in the panel's error count as a damaged data packet is, so that the operator
// sees every packet lost. A damaged length may make a data packet look like
// any other kind.
void CUSB::CountFramingError()
{
    ++m_nErrorPacketCount;
    SetStatusText(3, IntText(m_nPacketCount) + "-" + IntText(m_nErrorPacketCount));
    if (theApp.m_nValidFrames > 0)
        ++theApp.m_nErrorFrames;
}

int CUSB::CheckHeaderUSBTrame(IByteSource& source, BYTE* buffer, std::size_t capacity, BYTE* type, int* length)
{
    std::size_t p = 0;
    int result = 0;
    while (!IsReplyMagic(buffer + p)) {
        // At the buffer's end the window moves back to its start: the search goes on.
        if (p + kReplyHeaderSize + 1 > capacity) {
            std::memmove(buffer, buffer + p, kReplyHeaderSize);
            p = 0;
        }
        DWORD n = 0;
        FT_STATUS status = source.Read(buffer + p + kReplyHeaderSize, 1, kHeaderReadMs, &n);
        if (status != FT_OK) {
            ReportError(status, 5580);
            result = 20;
            break;
        }
        if (n == 0) {
            result = 21;
            break;
        }
        ++p;
    }
    // The window goes to the start, so a search cut by a time-out resumes where it was.
    std::memmove(buffer, buffer + p, kReplyHeaderSize);
    if (result != 0)
        return result;
    *type = buffer[4];
    *length = ReplyFollowingLength(buffer);
    return 0;
}

void CUSB::DispatchPacket(int size)
{
    switch (size) {
    case 16:
        theApp.m_nLinkStatus = kLinkShortPacket;
        if (IPacketDecoder* decoder = m_pDecoder)
            decoder->DecodeShortPacket();
        break;
    case 20:
        theApp.m_nLinkStatus = kLinkLive;
        if (IPacketDecoder* decoder = m_pDecoder)
            decoder->DecodeStatusPacket();
        break;
    case 31:
        if (IPacketDecoder* decoder = m_pDecoder)
            decoder->DecodeDataPacket();
        theApp.m_nLinkStatus = kLinkDataPacket;
        break;
    default:
        theApp.m_nLinkStatus = IsLargePacket(size) ? kLinkLargePacket : kLinkFailed;
        break;
    }
    ++m_nPacketCount;
    SetStatusPart(size, 2);
    SetStatusPart(m_nPacketCount, 3);
    theApp.m_bRxActivity = 1;
}

void CUSB::SetStatusPart(int value, int part)
{
    if (part == 2)
        SetStatusText(part, "Packet size : " + IntText(value) + " Bytes");
    else
        SetStatusText(part, IntText(value));
}

void CUSB::ReportError(FT_STATUS status, int code)
{
    CPreferences preferences;
    preferences.LogError("err" + IntText(code), StatusTextOf(status));
}

UINT CUSB::WriteThreadProc(CUSB* usb)
{
    if (!theApp.m_bUsbDriverOk) {
        theApp.m_nTxLength = 0;
        return 0;
    }
    if (theApp.m_bClosing) {
        theApp.m_bWriteThreadBusy = 0;
        theApp.m_nTxLength = 0;
        return 0;
    }
    theApp.m_bWriteThreadBusy = 1;
    DWORD written = 0;
    FT_STATUS status = usb->m_pFT_Write(usb->m_hDevice, theApp.m_pTxBuffer, theApp.m_nTxLength, &written);
    if (status != FT_OK)
        usb->ReportError(status, 5570);
    usb->UpdateStatusPanel(true);
    theApp.m_nTxLength = 0;
    theApp.m_bTxActivity = 1;
    theApp.m_bWriteThreadBusy = 0;
    return 4;
}

// The transmit buffer holds one frame: wait a little for a frame still being
// written, then give up rather than overwrite it.
bool CUSB::StartWriter(const void* frame, std::uint32_t length)
{
    for (int waited = 0;; waited += kTxWaitStepMs) {
        std::uint32_t idle = 0;
        if (theApp.m_nTxLength.compare_exchange_strong(idle, length))
            break;
        if (waited >= kTxWaitMs || theApp.m_bClosing)
            return false;
        Sleep(kTxWaitStepMs);
    }
    std::memcpy(theApp.m_pTxBuffer, frame, length);
    m_pWriteThread = CWinThread::Begin([this] { return WriteThreadProc(this); }, THREAD_PRIORITY_HIGHEST);
    return true;
}

bool CUSB::SendChannelFrame()
{
    ChannelFrame frame = BuildFrame(*theApp.m_pChannelFrame, [](ChannelFrame& f) {
        FillChannelFrame(*theApp.m_pLoggerSettings, f);
        MakeFrameCmd0(f);
    });
    return CheckFrameCmd0(frame) && StartWriter(&frame, sizeof frame);
}

bool CUSB::SendSettingsFrame()
{
    SettingsFrame frame = BuildFrame(*theApp.m_pSettingsFrame, [](SettingsFrame& f) {
        FillSettingsFrame(*theApp.m_pLoggerSettings, encoderRateLimit, f);
        MakeFrameCmd1(f);
    });
    return CheckFrameCmd1(frame) && StartWriter(&frame, sizeof frame);
}

bool CUSB::SendDepthFrame()
{
    DepthFrame frame = BuildFrame(*theApp.m_pDepthFrame, [](DepthFrame& f) {
        FillDepthFrame(*theApp.m_pLoggerSettings, f);
        MakeFrameCmd2(f);
    });
    return CheckFrameCmd2(frame) && StartWriter(&frame, sizeof frame);
}

bool CUSB::SendCommFrame()
{
    CommFrame frame = BuildFrame(*theApp.m_pCommFrame, [](CommFrame& f) {
        FillCommFrame(*theApp.m_pLoggerSettings, f);
        MakeFrameCmd3(f);
    });
    return CheckFrameCmd3(frame) && StartWriter(&frame, sizeof frame);
}

bool CUSB::SendRecordingModeFrame()
{
    RecordingModeFrame frame = BuildFrame(*theApp.m_pRecordingModeFrame, [](RecordingModeFrame& f) {
        FillRecordingModeFrame(*theApp.m_pLoggerSettings, encoderRateLimit, f);
        MakeFrameCmd6(f);
    });
    return CheckFrameCmd6(frame) && StartWriter(&frame, sizeof frame);
}

bool CUSB::SendAuxCommandFrame()
{
    AuxCommandFrame frame = BuildFrame(*theApp.m_pAuxCommandFrame, [](AuxCommandFrame& f) {
        FillAuxCommandFrame(theApp.m_nAuxCommand, f);
        MakeFrameCmd7(f);
    });
    return CheckFrameCmd7(frame) && StartWriter(&frame, sizeof frame);
}

std::string CUSB::GetDescription() const
{
    std::lock_guard lock(m_textMutex);
    return m_strDescription;
}

std::string CUSB::GetSerialNumber() const
{
    std::lock_guard lock(m_textMutex);
    return m_strSerialNumber;
}

std::string CUSB::StatusText(int part) const
{
    std::lock_guard lock(m_textMutex);
    return part >= 1 && part <= 3 ? m_statusTexts[part] : std::string();
}

void CUSB::SetLinkText(const std::string& text)
{
    std::lock_guard lock(m_textMutex);
    m_strLinkText = text;
}

std::string CUSB::LinkText() const
{
    std::lock_guard lock(m_textMutex);
    return m_strLinkText;
}

// Status-bar parts 1 to 3 belong to the link; nothing is written while closing.
void CUSB::SetStatusText(int part, const std::string& text)
{
    if (theApp.m_bClosing || part < 1 || part > 3)
        return;
    {
        std::lock_guard lock(m_textMutex);
        m_statusTexts[part] = text;
    }
    if (IAcquisitionHost* host = AcquisitionHost())
        host->SetStatusPartText(part, text);
}

void CUSB::UpdateStatusPanel(bool skipValues)
{
    if (IAcquisitionHost* host = AcquisitionHost())
        host->UpdateStatusPanel(skipValues);
}

void CUSB::SwitchSondeOff()
{
    if (IAcquisitionHost* host = AcquisitionHost())
        host->SwitchSondeOff();
    else
        theApp.m_bSondePowered = 0;
}
