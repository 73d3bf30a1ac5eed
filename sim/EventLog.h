// The emulator's trace: one line per frame received and per notable event,
// to a file (--log) and/or stderr (--verbose).
#pragma once

#include "FrameReader.h"

#include <cstdio>
#include <string>

namespace sim {

class EventLog {
public:
    EventLog(const std::string& path, bool verbose);
    ~EventLog();
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    bool ok() const { return m_ok; }

    void received(const RxItem& item);
    void sent(const char* kind, std::size_t length);
    void event(const std::string& text);

private:
    void line(const std::string& text);

    std::FILE* m_file = nullptr;
    bool m_verbose;
    bool m_ok = true;
    Clock::time_point m_start = Clock::now();
};

} // namespace sim
