// Any byte stream through the reader's framing and dispatch, in chunks with
// time-outs between them, over receive buffers of exactly the given size: no
// crash and no access past the buffers.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "core/VarnoLogger_KVXApp.h"
#include "probe/CommandFrames.h"
#include "probe/Frames.h"
#include "probe/USB.h"

namespace {

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

// Reads each payload the way the decoders will.
class CheckingDecoder : public IPacketDecoder {
public:
    void DecodeShortPacket() override { Take(theApp.m_pShortPacket, CheckFrame16); }
    void DecodeStatusPacket() override { Take(theApp.m_pStatusPacket, CheckFrame20); }
    void DecodeDataPacket() override { Take(theApp.m_pDataPacket, CheckFrame31); }

private:
    template <class Packet>
    void Take(Packet* packet, bool (*check)(const Packet&))
    {
        std::copy_n(theApp.m_pRxBuffer, sizeof(Packet), reinterpret_cast<BYTE*>(packet));
        if (check(*packet) != CheckPayloadSum(theApp.m_pRxBuffer, sizeof(Packet)))
            std::abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const size_t capacity = 8 + data[0];
    const size_t chunk = 1 + data[1] % 64;
    data += 2;
    size -= 2;

    auto header = std::make_unique<BYTE[]>(capacity);
    auto payload = std::make_unique<BYTE[]>(std::max<size_t>(capacity, sizeof(DataPacket)));
    BYTE* savedHeader = theApp.m_pRxHeader;
    BYTE* savedPayload = theApp.m_pRxBuffer;
    theApp.m_pRxHeader = header.get();
    theApp.m_pRxBuffer = payload.get();

    CheckingDecoder decoder;
    CUSB usb;
    usb.SetDecoder(&decoder);
    InputSource source(data, size, chunk);
    theApp.m_bClosing = 0;
    usb.ReadReplies(source, capacity);
    if (usb.PacketCount() + usb.ErrorPacketCount() > int(size / 8) + 1)
        std::abort();  // every frame takes at least its 8 framing bytes

    theApp.m_bClosing = 0;
    theApp.m_pRxHeader = savedHeader;
    theApp.m_pRxBuffer = savedPayload;
    return 0;
}
