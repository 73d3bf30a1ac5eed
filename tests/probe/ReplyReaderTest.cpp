// The reader's framing and dispatch over scripted bytes, with receive buffers
// of exactly the given size so that the sanitizers see any overrun.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/VarnoLogger_KVXApp.h"
#include "probe/CommandFrames.h"
#include "probe/USB.h"

namespace {

using Bytes = std::vector<BYTE>;

// Hands out the bytes chunk by chunk; a read at a chunk's end is a time-out,
// and the end of the script closes the program.
class ScriptedSource : public IByteSource {
public:
    explicit ScriptedSource(std::vector<Bytes> chunks) : m_chunks(std::move(chunks)) {}

    FT_STATUS QueueStatus(DWORD* rxBytes) override
    {
        *rxBytes = m_chunk < m_chunks.size() ? DWORD(m_chunks[m_chunk].size() - m_offset) : 0;
        return FT_OK;
    }
    FT_STATUS Read(BYTE* buffer, DWORD count, DWORD, DWORD* returned) override
    {
        *returned = 0;
        while (m_chunk < m_chunks.size() && m_offset == m_chunks[m_chunk].size()) {
            ++m_chunk;
            m_offset = 0;
            if (m_chunk < m_chunks.size())
                return FT_OK;
        }
        if (m_chunk == m_chunks.size()) {
            theApp.m_bClosing = 1;
            return FT_OK;
        }
        const Bytes& chunk = m_chunks[m_chunk];
        DWORD n = std::min<DWORD>(count, DWORD(chunk.size() - m_offset));
        std::copy_n(chunk.begin() + long(m_offset), n, buffer);
        m_offset += n;
        *returned = n;
        return FT_OK;
    }

private:
    std::vector<Bytes> m_chunks;
    size_t m_chunk = 0;
    size_t m_offset = 0;
};

struct Decoded {
    char kind;
    Bytes payload;
    bool checksumOk;
};

class RecordingDecoder : public IPacketDecoder {
public:
    std::vector<Decoded> seen;

    void DecodeShortPacket() override { Take('S', 16); }
    void DecodeStatusPacket() override { Take('T', 20); }
    void DecodeDataPacket() override { Take('D', 31); }

private:
    void Take(char kind, size_t size)
    {
        Bytes payload(theApp.m_pRxBuffer, theApp.m_pRxBuffer + size);
        seen.push_back({kind, payload, CheckPayloadSum(payload.data(), size)});
    }
};

Bytes Payload(size_t size, BYTE seed, bool goodSum = true)
{
    Bytes payload(size);
    WORD sum = 0;
    for (size_t i = 0; i + 2 < size; ++i) {
        payload[i] = BYTE(seed + i * 7);
        sum = WORD(sum + payload[i]);
    }
    if (!goodSum)
        sum = WORD(sum + 1);
    payload[size - 2] = BYTE(sum);
    payload[size - 1] = BYTE(sum >> 8);
    return payload;
}

Bytes Frame(const Bytes& payload, BYTE end = kReplyEndByte)
{
    const size_t total = payload.size() + 8;
    Bytes frame = {0x55, 0xAA, 0x5A, 0xA5, BYTE(payload.size()), BYTE(total), BYTE(total >> 8)};
    frame.insert(frame.end(), payload.begin(), payload.end());
    frame.push_back(end);
    return frame;
}

void Append(Bytes& stream, const Bytes& more)
{
    stream.insert(stream.end(), more.begin(), more.end());
}

class ReplyReaderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedHeader = theApp.m_pRxHeader;
        m_savedPayload = theApp.m_pRxBuffer;
        m_savedLinkStatus = theApp.m_nLinkStatus;
        UseCapacity(CVarnoLogger_KVXApp::kRxBufferSize);
    }
    void TearDown() override
    {
        theApp.m_pRxHeader = m_savedHeader;
        theApp.m_pRxBuffer = m_savedPayload;
        theApp.m_nLinkStatus = m_savedLinkStatus;
        theApp.m_bClosing = 0;
    }

    void UseCapacity(size_t capacity)
    {
        m_capacity = capacity;
        m_header = std::make_unique<BYTE[]>(capacity);
        m_payload = std::make_unique<BYTE[]>(capacity);
        theApp.m_pRxHeader = m_header.get();
        theApp.m_pRxBuffer = m_payload.get();
    }

    // Runs a fresh reader over the chunks until they are used up.
    std::unique_ptr<CUSB> Read(std::vector<Bytes> chunks, RecordingDecoder& decoder)
    {
        auto usb = std::make_unique<CUSB>();
        usb->SetDecoder(&decoder);
        theApp.m_bClosing = 0;
        ScriptedSource source(std::move(chunks));
        EXPECT_NE(5550u, usb->ReadReplies(source, m_capacity));
        theApp.m_bClosing = 0;
        return usb;
    }

    size_t m_capacity = 0;

private:
    std::unique_ptr<BYTE[]> m_header, m_payload;
    BYTE* m_savedHeader = nullptr;
    BYTE* m_savedPayload = nullptr;
    int m_savedLinkStatus = 0;
};

TEST_F(ReplyReaderTest, FramingSurvivesEveryCutNoiseAndBadFrames)
{
    Bytes stream = {0x13, 0x55, 0xAA, 0x5A, 0x00};  // noise holding a partial magic
    Append(stream, Frame(Payload(16, 1)));
    Append(stream, {0x55, 0xAA, 0x5A});
    Append(stream, {0x55, 0xAA, 0x5A, 0xA5, 0x14});  // a frame cut after its type byte
    Append(stream, Frame(Payload(20, 2)));
    Append(stream, Frame(Payload(31, 3, false)));  // dispatched: the decoder checks the sum
    Append(stream, {0x99, 0x99, 0xA5});
    Append(stream, Frame(Payload(31, 4)));
    Append(stream, Frame(Payload(405, 5), 0x66));  // large: dispatched all the same
    Append(stream, Frame(Payload(10, 6)));         // unknown size: a damaged header
    Append(stream, Frame(Payload(16, 7), 0x66));   // bad end byte: dropped

    const std::vector<Bytes> whole = {stream};
    std::vector<std::vector<Bytes>> scripts;
    for (size_t cut = 1; cut < stream.size(); ++cut)
        scripts.push_back({Bytes(stream.begin(), stream.begin() + long(cut)), Bytes(stream.begin() + long(cut), stream.end())});
    std::vector<Bytes> byByte;
    for (BYTE b : stream)
        byByte.push_back({b});
    scripts.push_back(byByte);
    scripts.push_back(whole);

    for (const auto& script : scripts) {
        RecordingDecoder decoder;
        auto usb = Read(script, decoder);
        SCOPED_TRACE("chunks " + std::to_string(script.size()) + ", first " + std::to_string(script[0].size()));
        ASSERT_EQ(4u, decoder.seen.size());
        EXPECT_EQ('S', decoder.seen[0].kind);
        EXPECT_EQ(Payload(16, 1), decoder.seen[0].payload);
        EXPECT_EQ('T', decoder.seen[1].kind);
        EXPECT_EQ(Payload(20, 2), decoder.seen[1].payload);
        EXPECT_EQ('D', decoder.seen[2].kind);
        EXPECT_FALSE(decoder.seen[2].checksumOk);
        EXPECT_EQ(Payload(31, 4), decoder.seen[3].payload);
        EXPECT_EQ(5, usb->PacketCount());
        EXPECT_EQ(4, usb->ErrorPacketCount());
        EXPECT_EQ("5-4", usb->StatusText(3));
        EXPECT_EQ("Packet size : 405 Bytes", usb->StatusText(2));
        EXPECT_EQ(4, theApp.m_nLinkStatus);
    }
}

// A length field that belongs to no reply kind is a damaged header: counted as
// an error, and the packets behind it are read on at once, never swallowed.
TEST_F(ReplyReaderTest, DamagedLengthLosesOnlyItsPacket)
{
    struct Case {
        unsigned length;
        unsigned panelErrors;
    };
    const Case cases[] = {{0x8027, 1}, {0x1027, 1}, {0x0227, 1}, {0xFFFF, 1}, {0x0026, 1}, {0x0028, 1},
                          {0x0003, 1}, {0x0007, 1}, {0x0000, 1},
                          // a short or status packet's length: read as one, its end byte is wrong
                          {0x0018, 1}, {0x001C, 1}};
    for (auto [length, panelErrors] : cases) {
        SCOPED_TRACE(length);
        Bytes stream = Frame(Payload(31, 1));
        Bytes damaged = Frame(Payload(31, 2));
        damaged[5] = BYTE(length);
        damaged[6] = BYTE(length >> 8);
        Append(stream, damaged);
        constexpr int kBehind = 120;  // more bytes than the longest length above asks for
        for (int i = 0; i < kBehind; ++i)
            Append(stream, Frame(Payload(31, BYTE(3 + i))));

        theApp.m_nValidFrames = 1;
        theApp.m_nErrorFrames = 0;
        RecordingDecoder decoder;
        auto usb = Read({stream}, decoder);
        ASSERT_EQ(size_t(1 + kBehind), decoder.seen.size());
        EXPECT_EQ(Payload(31, 1), decoder.seen.front().payload);
        EXPECT_EQ(Payload(31, BYTE(3 + kBehind - 1)), decoder.seen.back().payload);
        EXPECT_EQ(1, usb->ErrorPacketCount());
        EXPECT_EQ(panelErrors, theApp.m_nErrorFrames.load());
        EXPECT_EQ(1 + kBehind, usb->PacketCount());
    }
    theApp.m_nValidFrames = 0;
    theApp.m_nErrorFrames = 0;
}

TEST_F(ReplyReaderTest, SearchGoesOnPastTheBufferEnd)
{
    UseCapacity(32);
    Bytes stream(300, 0x3C);
    Append(stream, Frame(Payload(16, 11)));
    Append(stream, Bytes(100, 0xA5));
    Append(stream, Frame(Payload(20, 12)));

    for (size_t cut : {7u, 31u, 32u, 33u, 310u}) {
        RecordingDecoder decoder;
        auto usb = Read({Bytes(stream.begin(), stream.begin() + long(cut)), Bytes(stream.begin() + long(cut), stream.end())},
                        decoder);
        ASSERT_EQ(2u, decoder.seen.size()) << "cut " << cut;
        EXPECT_EQ(Payload(16, 11), decoder.seen[0].payload);
        EXPECT_EQ(Payload(20, 12), decoder.seen[1].payload);
    }
}

TEST_F(ReplyReaderTest, DispatchSetsTheLinkStatusBySize)
{
    RecordingDecoder decoder;
    CUSB usb;
    usb.SetDecoder(&decoder);
    const std::pair<int, int> cases[] = {{16, 32}, {20, 16}, {31, 128}, {405, 255}, {525, 255},
                                         {765, 255}, {1485, 255}, {30, 4}, {0, 4}};
    int count = 0;
    for (auto [size, status] : cases) {
        usb.DispatchPacket(size);
        EXPECT_EQ(status, theApp.m_nLinkStatus) << size;
        EXPECT_EQ("Packet size : " + std::to_string(size) + " Bytes", usb.StatusText(2));
        EXPECT_EQ(std::to_string(++count), usb.StatusText(3));
    }
    EXPECT_EQ(3u, decoder.seen.size());

    // A large payload with a bad end byte still counts as large.
    RecordingDecoder none;
    auto reader = Read({Frame(Payload(405, 1), 0x00)}, none);
    EXPECT_EQ(255, theApp.m_nLinkStatus);
    EXPECT_EQ("1-1", reader->StatusText(3));
}

}  // namespace
