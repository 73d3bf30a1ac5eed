#include "FrameReader.h"

namespace sim {

std::vector<RxItem> FrameReader::push(const std::uint8_t* data, std::size_t count, Clock::time_point now)
{
    std::vector<RxItem> items = expire(now);
    m_pending.insert(m_pending.end(), data, data + count);
    m_lastByte = now;
    std::vector<RxItem> cutItems = cut();
    items.insert(items.end(), cutItems.begin(), cutItems.end());
    return items;
}

std::vector<RxItem> FrameReader::expire(Clock::time_point now)
{
    if (m_pending.empty() || now - m_lastByte < kByteTimeout)
        return {};
    RxItem stale{RxItem::Kind::Stale, m_pending, false};
    m_pending.clear();
    return {stale};
}

std::vector<RxItem> FrameReader::cut()
{
    std::vector<RxItem> items;
    std::size_t pos = 0;
    Bytes junk;
    auto flushJunk = [&] {
        if (junk.empty())
            return;
        items.push_back({RxItem::Kind::Junk, junk, false});
        junk.clear();
    };
    while (pos < m_pending.size()) {
        const std::size_t length = frameLength(m_pending[pos]);
        if (length == 0) {
            junk.push_back(m_pending[pos++]);
            continue;
        }
        if (m_pending.size() - pos < length)
            break;
        flushJunk();
        RxItem frame{RxItem::Kind::Frame,
                     Bytes(m_pending.begin() + static_cast<long>(pos),
                           m_pending.begin() + static_cast<long>(pos + length)),
                     false};
        frame.checksumOk = frameChecksumOk(frame.bytes);
        items.push_back(std::move(frame));
        pos += length;
    }
    flushJunk();
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<long>(pos));
    return items;
}

} // namespace sim
