#include "platform/Locale.h"

#include <atomic>

namespace {
std::atomic<WORD> g_languageId{0};
}

void SetThreadLocale(WORD languageId) { g_languageId = languageId; }

WORD GetThreadLocale() { return g_languageId; }
