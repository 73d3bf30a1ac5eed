// Any byte stream through the reader's framing and dispatch into the packet
// decoders and live sample processing, in chunks with time-outs between them,
// over receive buffers of exactly the given size: no crash, no access past the
// buffers, and while recording only whole records with readings are stored.
// Whatever the stream, the reader recovers within the longest reply: a valid
// packet sent that far behind it is decoded.
//
// The first four bytes set up the link: buffer size, chunk size, record and
// winch flags, and the encoder wheel.
#include <QGuiApplication>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "core/RunState.h"
#include "core/Settings.h"
#include "core/VarnoLogger_KVXApp.h"
#include "mainwnd/VarnoLogger_KVXDlg.h"
#include "platform/MessageBox.h"
#include "probe/CommandFrames.h"
#include "probe/Frames.h"
#include "probe/LogRecord.h"
#include "probe/ToolsStream.h"
#include "probe/USB.h"

namespace {

constexpr size_t kSetupBytes = 4;

// Never destroyed: they outlive the static objects that Qt tears down at exit.
QGuiApplication* g_app = nullptr;
CVarnoLogger_KVXDlg* g_dialog = nullptr;
std::string g_recordPath;
std::string g_headerPath;

// The longest reply the reader may wait for: header, the largest payload, end byte.
constexpr size_t kLongestReply = 7 + 1485 + 1;

// Bytes that end whatever frame the input left open, then one valid short
// packet: the reader must find it.
std::vector<uint8_t> Trailer(const ShortPacket& packet)
{
    std::vector<uint8_t> bytes(kLongestReply, 0x00);
    const uint8_t header[] = {0x55, 0xAA, 0x5A, 0xA5, sizeof packet, sizeof packet + 8, 0};
    bytes.insert(bytes.end(), std::begin(header), std::end(header));
    const auto* payload = reinterpret_cast<const uint8_t*>(&packet);
    bytes.insert(bytes.end(), payload, payload + sizeof packet);
    bytes.push_back(kReplyEndByte);
    return bytes;
}

ShortPacket TrailerPacket()
{
    ShortPacket packet;
    packet.status = 0x04;
    packet.commGain = 0x5C;
    packet.commDrive = 0x3B;
    packet.depthCounts = 0x1234567;
    packet.replyFlags = 0x01;
    const auto* bytes = reinterpret_cast<const uint8_t*>(&packet);
    WORD sum = 0;
    for (size_t i = 0; i + 2 < sizeof packet; ++i)
        sum = WORD(sum + bytes[i]);
    packet.checksum = sum;
    return packet;
}

// Keeps the last short packet decoded.
class WatchingDecoder : public CToolsStream {
public:
    ShortPacket lastShort;

    void DecodeShortPacket() override
    {
        std::memcpy(&lastShort, theApp.m_pRxBuffer, sizeof lastShort);
        CToolsStream::DecodeShortPacket();
    }
};

// Hands out the input a chunk at a time; the end of the input closes the program.
class InputSource : public IByteSource {
public:
    InputSource(const uint8_t* data, size_t size, size_t chunk) : m_data(data), m_size(size), m_chunk(chunk) {}

    FT_STATUS QueueStatus(DWORD* rxBytes) override
    {
        *rxBytes = DWORD(m_size - m_pos);
        return FT_OK;
    }
    FT_STATUS Read(BYTE* buffer, DWORD count, DWORD, DWORD* returned) override
    {
        *returned = 0;
        if (m_pos == m_size) {
            theApp.m_bClosing = 1;
            return FT_OK;
        }
        if (m_left == 0) {  // a time-out between chunks
            m_left = m_chunk;
            return FT_OK;
        }
        DWORD n = DWORD(std::min<size_t>({count, m_size - m_pos, m_left}));
        std::copy_n(m_data + m_pos, n, buffer);
        m_pos += n;
        m_left -= n;
        *returned = n;
        return FT_OK;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_chunk;
    size_t m_pos = 0;
    size_t m_left = 0;
};

// Small buffers down to a bare header, and large enough for the largest packet.
size_t Capacity(uint8_t value) { return value < 128 ? 8 + value : 8 + (value - 128) * 16; }

// The acquisition state a connection finds, from the setup byte and the wheel.
void SetUpAcquisition(uint8_t flags, uint8_t wheel)
{
    *theApp.m_pFrameState = FrameState{};
    *theApp.m_pProbeStatus = ProbeStatus{};
    theApp.m_lastFrameValues = LastFrameValues{};
    theApp.m_nValidFrames = 0;
    theApp.m_nErrorFrames = 0;
    theApp.m_bBadWinchDirection = 0;
    theApp.m_dStepAccumulator = 0.0;

    // Up to 326 pulses per 40 mm: both sides of the limit, and no wheel at all.
    LoggerSettings& settings = *theApp.m_pLoggerSettings;
    settings.PulleysDiameter = 5000;
    settings.PulsResolution = wheel * 16;
    SettingsFrame frame;
    FillSettingsFrame(settings, encoderRateLimit, frame);
    settings.recordingMode = 2 + (flags >> 2) % 3;
    theApp.m_bDownDirection = (flags & 2) ? 1 : 0;

    theApp.m_pRunState->recording = 0;
    if ((flags & 1) == 0)
        return;
    theApp.m_pRecordFile = std::fopen(g_recordPath.c_str(), "wb");
    if (theApp.m_pRecordFile == nullptr)
        std::abort();
    CopyBounded(theApp.m_pPathSettings->LastFile, g_headerPath);
    *theApp.m_pRecordDuration = 0;
    theApp.m_bRewriteStartDepth = 1;
    theApp.m_dRecordDepth = 0.0;
    theApp.m_pRunState->recording = 1;
}

// Every stored record is whole and has readings, and no packet gave more than its share.
void CheckRecordFile(int dataPackets)
{
    std::FILE* file = std::fopen(g_recordPath.c_str(), "rb");
    if (file == nullptr)
        std::abort();
    LogRecord record;
    long records = 0;
    while (std::fread(&record, sizeof record, 1, file) == 1) {
        if (record.n == 0)
            std::abort();
        ++records;
    }
    const bool whole = std::feof(file) && std::ftell(file) == long(records * sizeof record);
    std::fclose(file);
    if (!whole || records > long(dataPackets) * CToolsStream::kMaxRecordStepsPerPacket)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    g_app = new QGuiApplication(*argc, *argv);
    g_dialog = new CVarnoLogger_KVXDlg(nullptr);
    theApp.m_pMainDlg = g_dialog;
    encoderRateLimit = 250;
    const std::string stem = "/tmp/kvx_fuzz_reader_" + std::to_string(getpid());
    g_recordPath = stem + ".log";
    g_headerPath = stem + ".hed";
    // Nothing here should fail; a message box would wait for no one.
    SetMessageBoxHandler([](const std::string&, const std::string&, UINT) -> int { std::abort(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < kSetupBytes)
        return 0;
    const size_t capacity = Capacity(data[0]);
    const size_t chunk = 1 + data[1] % 64;
    const bool recording = (data[2] & 1) != 0;
    SetUpAcquisition(data[2], data[3]);
    static const ShortPacket kTrailerPacket = TrailerPacket();
    static const std::vector<uint8_t> kTrailer = Trailer(kTrailerPacket);
    std::vector<uint8_t> stream(data + kSetupBytes, data + size);
    stream.insert(stream.end(), kTrailer.begin(), kTrailer.end());

    auto header = std::make_unique<BYTE[]>(capacity);
    auto payload = std::make_unique<BYTE[]>(std::max<size_t>(capacity, sizeof(DataPacket)));
    BYTE* savedHeader = theApp.m_pRxHeader;
    BYTE* savedPayload = theApp.m_pRxBuffer;
    theApp.m_pRxHeader = header.get();
    theApp.m_pRxBuffer = payload.get();

    WatchingDecoder decoder;
    CUSB usb;
    usb.SetDecoder(&decoder);
    InputSource source(stream.data(), stream.size(), chunk);
    theApp.m_bClosing = 0;
    usb.ReadReplies(source, capacity);
    // A buffer that holds the trailer's packet has decoded it.
    if (capacity >= sizeof(ShortPacket) + 1 &&
        std::memcmp(&decoder.lastShort, &kTrailerPacket, sizeof kTrailerPacket) != 0)
        std::abort();
    const int frames = usb.PacketCount() + usb.ErrorPacketCount();
    if (frames > int(stream.size() / 4) + 1)
        std::abort();  // every frame, even a damaged header, takes its own 4 magic bytes
    const int dataPackets = int(theApp.m_nValidFrames + theApp.m_nErrorFrames);
    if (dataPackets > frames || theApp.m_pFrameState->overrun > 1)
        std::abort();
    if (recording) {
        CToolsStream::CloseRecordFile();
        CheckRecordFile(dataPackets);
    }

    theApp.m_bClosing = 0;
    theApp.m_pRxHeader = savedHeader;
    theApp.m_pRxBuffer = savedPayload;
    return 0;
}
