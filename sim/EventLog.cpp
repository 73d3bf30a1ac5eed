#include "EventLog.h"

namespace sim {

EventLog::EventLog(const std::string& path, bool verbose)
    : m_verbose(verbose)
{
    if (path.empty())
        return;
    m_file = std::fopen(path.c_str(), "w");
    m_ok = m_file != nullptr;
}

EventLog::~EventLog()
{
    if (m_file)
        std::fclose(m_file);
}

void EventLog::received(const RxItem& item)
{
    const std::string hex = hexBytes(item.bytes.data(), item.bytes.size());
    char head[96];
    switch (item.kind) {
    case RxItem::Kind::Frame:
        std::snprintf(head, sizeof head, "RX type=%u len=%zu checksum=%s bytes=", item.bytes[0],
                      item.bytes.size(), item.checksumOk ? "ok" : "bad");
        break;
    case RxItem::Kind::Junk:
        std::snprintf(head, sizeof head, "RX junk len=%zu bytes=", item.bytes.size());
        break;
    case RxItem::Kind::Stale:
        std::snprintf(head, sizeof head, "RX incomplete len=%zu bytes=", item.bytes.size());
        break;
    }
    line(head + hex);
}

void EventLog::sent(const char* kind, std::size_t length)
{
    char text[64];
    std::snprintf(text, sizeof text, "TX %s len=%zu", kind, length);
    line(text);
}

void EventLog::event(const std::string& text)
{
    line("EVENT " + text);
}

void EventLog::line(const std::string& text)
{
    if (!m_file && !m_verbose)
        return;
    const double t = std::chrono::duration<double>(Clock::now() - m_start).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f ", t);
    if (m_file) {
        std::fprintf(m_file, "%s%s\n", stamp, text.c_str());
        std::fflush(m_file);
    }
    if (m_verbose)
        std::fprintf(stderr, "%s%s\n", stamp, text.c_str());
}

} // namespace sim
