#pragma once
#include <mutex>
#include <string>

#include "platform/SharedMemory.h"

// Single-instance guard: a named shared block holds the first instance's
// main-window identity, so a second start can bring that window forward.
class CInstanceChecker {
public:
    CInstanceChecker() = default;
    virtual ~CInstanceChecker();
    CInstanceChecker(const CInstanceChecker&) = delete;
    CInstanceChecker& operator=(const CInstanceChecker&) = delete;

    bool IsPreviousInstanceRunning();
    bool RegisterFirstInstance();
    // The stored window identity, or 0 when nothing was activated.
    DWORD ActivatePreviousInstance();

    static std::string MappingName();
    // Closes the mapping this instance created, if any (at program exit).
    static void CloseFirstInstanceMapping();

private:
    void CloseMapping();

    std::mutex m_lock;
    HMAPPING m_hMapping = nullptr;
};
