#pragma once
// The link to the surface logger over the D2XX library: loading it, finding the
// device, the link thread that keeps the link alive, the reader thread that
// frames the logger's replies, and a writer thread per command frame.
#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "d2xx/Ftd2xx.h"
#include "platform/Thread.h"
#include "platform/Types.h"

// Where the reader takes the logger's bytes from: the device, or a test's bytes.
class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual FT_STATUS QueueStatus(DWORD* rxBytes) = 0;
    // Up to count bytes, waiting at most timeoutMs in all; fewer is a time-out.
    virtual FT_STATUS Read(BYTE* buffer, DWORD count, DWORD timeoutMs, DWORD* returned) = 0;
};

// The packet decoders: each decodes the payload that the dispatcher left in
// theApp.m_pRxBuffer. They run on the reader thread.
class IPacketDecoder {
public:
    virtual ~IPacketDecoder() = default;
    virtual void DecodeShortPacket() = 0;
    virtual void DecodeStatusPacket() = 0;
    virtual void DecodeDataPacket() = 0;
};

class CUSB {
public:
    CUSB();
    // Waits (bounded) for the threads still running, which end once
    // theApp.m_bClosing is set; set it before destroying a linked CUSB.
    virtual ~CUSB();
    CUSB(const CUSB&) = delete;
    CUSB& operator=(const CUSB&) = delete;

    // Loads the library and starts the link thread; false leaves replay only.
    bool Init();
    bool LoadDriver();
    FT_STATUS OpenDevice();
    void CheckLink();

    // Searches the magic in the 7-byte window at the start of buffer, reading
    // one byte at a time: 0 found (type and payload length out), 20 a read
    // failed, 21 no byte came. The window is left at the start of buffer.
    int CheckHeaderUSBTrame(IByteSource& source, BYTE* buffer, std::size_t capacity, BYTE* type, int* length);
    void DispatchPacket(int size);
    void SetStatusPart(int value, int part);
    void ReportError(FT_STATUS status, int code);

    // Each fills its frame from LoggerSettings, builds and checks it and hands
    // it to a writer thread; false when nothing was sent.
    bool SendChannelFrame();
    bool SendSettingsFrame();
    bool SendDepthFrame();
    bool SendCommFrame();
    bool SendRecordingModeFrame();
    bool SendAuxCommandFrame();

    std::string GetDescription() const;
    std::string GetSerialNumber() const;

    static UINT LinkThreadProc(CUSB* usb);
    static UINT ReadThreadProc(CUSB* usb);
    static UINT WriteThreadProc(CUSB* usb);

    // The reader's framing over any byte source, with theApp's receive buffers
    // taken as capacity bytes long. Returns the reader's result: 2 or 69 when
    // closing, 5550 when the queue failed (its status in LastQueueStatus).
    UINT ReadReplies(IByteSource& source, std::size_t capacity);
    FT_STATUS LastQueueStatus() const { return m_nLastQueueStatus; }

    void SetDecoder(IPacketDecoder* decoder) { m_pDecoder = decoder; }
    // The library loaded by LoadDriver; the program folder's libftd2xx.so by default.
    void SetLibraryPath(const std::string& path) { m_strLibraryPath = path; }
    // The last text written to a status-bar part, also without a main window.
    std::string StatusText(int part) const;
    int PacketCount() const { return m_nPacketCount; }
    int ErrorPacketCount() const { return m_nErrorPacketCount; }

private:
    class DeviceSource;

    void SetLinkText(const std::string& text);
    std::string LinkText() const;
    void SetStatusText(int part, const std::string& text);
    void UpdateStatusPanel(bool skipValues);
    bool StartWriter(const void* frame, std::uint32_t length);
    void ApplyIdleTimeouts();
    UINT RunReader();
    void CountFramingError();
    void StartLinkThread();
    // A lost link switches the sonde off through the probe control panel.
    void SwitchSondeOff();

    mutable std::mutex m_textMutex;
    std::string m_strLinkText;
    std::string m_strDescription;
    std::string m_strSerialNumber;
    std::string m_statusTexts[4];
    std::string m_strLibraryPath;

    void* m_hLibrary = nullptr;
    std::atomic<FT_HANDLE> m_hDevice{nullptr};
    PFN_FT_Write m_pFT_Write = nullptr;
    PFN_FT_Read m_pFT_Read = nullptr;
    PFN_FT_Open m_pFT_Open = nullptr;
    PFN_FT_OpenEx m_pFT_OpenEx = nullptr;
    PFN_FT_ListDevices m_pFT_ListDevices = nullptr;
    PFN_FT_Close m_pFT_Close = nullptr;
    PFN_FT_ResetDevice m_pFT_ResetDevice = nullptr;
    PFN_FT_Purge m_pFT_Purge = nullptr;
    PFN_FT_SetTimeouts m_pFT_SetTimeouts = nullptr;
    PFN_FT_GetQueueStatus m_pFT_GetQueueStatus = nullptr;
    PFN_FT_SetBreakOn m_pFT_SetBreakOn = nullptr;
    PFN_FT_SetBreakOff m_pFT_SetBreakOff = nullptr;
    PFN_FT_GetStatus m_pFT_GetStatus = nullptr;
    PFN_FT_SetEventNotification m_pFT_SetEventNotification = nullptr;
    PFN_FT_EE_Read m_pFT_EE_Read = nullptr;
    PFN_FT_EE_Program m_pFT_EE_Program = nullptr;
    PFN_FT_EE_UARead m_pFT_EE_UARead = nullptr;
    PFN_FT_EE_UAWrite m_pFT_EE_UAWrite = nullptr;
    PFN_FT_EE_UASize m_pFT_EE_UASize = nullptr;
    PFN_FT_GetLatencyTimer m_pFT_GetLatencyTimer = nullptr;
    PFN_FT_SetLatencyTimer m_pFT_SetLatencyTimer = nullptr;

    // State of the link; one CUSB exists, so it lives here rather than in globals.
    std::atomic<std::uint8_t> m_bDeviceRecognised{0};
    std::atomic<std::uint8_t> m_bConnectedOnce{0};
    std::atomic<int> m_nPacketCount{0};
    std::atomic<int> m_nErrorPacketCount{0};
    std::atomic<int> m_nRetries{0};
    int m_nDots = 0;  // link thread only
    std::atomic<int> m_nReaderInstances{-1};
    std::atomic<FT_STATUS> m_nLastQueueStatus{FT_OK};
    // Tests put their own decoder in while the reader may already run.
    std::atomic<IPacketDecoder*> m_pDecoder{nullptr};
    std::atomic<std::shared_ptr<CWinThread>> m_pWriteThread;
};
