#include "core/InstanceChecker.h"

#include <cstring>

#include "platform/Application.h"

namespace {

// Held for the whole run by the instance that created the mapping.
HMAPPING g_firstInstanceMapping = nullptr;

}  // namespace

CInstanceChecker::~CInstanceChecker() { CloseMapping(); }

std::string CInstanceChecker::MappingName() { return "CInstanceChecker_MMF_" + GetApplicationName(); }

void CInstanceChecker::CloseFirstInstanceMapping()
{
    CloseHandle(g_firstInstanceMapping);
    g_firstInstanceMapping = nullptr;
}

void CInstanceChecker::CloseMapping()
{
    CloseHandle(m_hMapping);
    m_hMapping = nullptr;
}

bool CInstanceChecker::IsPreviousInstanceRunning()
{
    CloseMapping();
    m_hMapping = OpenFileMapping(MappingName());
    return m_hMapping != nullptr;
}

bool CInstanceChecker::RegisterFirstInstance()
{
    CloseMapping();
    m_hMapping = OpenFileMapping(MappingName());
    if (m_hMapping != nullptr)
        return false;
    CloseFirstInstanceMapping();
    g_firstInstanceMapping = CreateFileMapping(MappingName(), sizeof(DWORD));
    void* view = MapViewOfFile(g_firstInstanceMapping);
    if (view != nullptr) {
        std::lock_guard guard(m_lock);
        CWinApp* app = AfxGetApp();
        DWORD identity = WindowIdentity(app != nullptr ? app->m_pMainWnd : nullptr);
        std::memcpy(view, &identity, sizeof identity);
        UnmapViewOfFile(g_firstInstanceMapping, view);
    }
    ListenForActivation();
    return m_hMapping == nullptr;
}

DWORD CInstanceChecker::ActivatePreviousInstance()
{
    if (m_hMapping == nullptr)
        return 0;
    void* view = MapViewOfFile(m_hMapping);
    if (view == nullptr) {
        CloseMapping();
        return 0;
    }
    DWORD identity = 0;
    {
        std::lock_guard guard(m_lock);
        std::memcpy(&identity, view, sizeof identity);
        BringWindowToFront(identity);
        UnmapViewOfFile(m_hMapping, view);
    }
    CloseMapping();
    return identity;
}
