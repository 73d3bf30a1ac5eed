#pragma once
#include <cstddef>
#include <string>

#include "platform/Types.h"

class CWnd;

// A named block of memory shared between processes, removed when the process
// that created it closes it or dies. A block left by a dead process counts as
// absent, so a crash never keeps the program from starting again.
class NamedMapping;
using HMAPPING = NamedMapping*;

HMAPPING OpenFileMapping(const std::string& name);
HMAPPING CreateFileMapping(const std::string& name, size_t size);
void* MapViewOfFile(HMAPPING mapping);
void UnmapViewOfFile(HMAPPING mapping, void* view);
void CloseHandle(HMAPPING mapping);

// The identity of a top-level window that another process can ask to come to
// the front; 0 for no window.
DWORD WindowIdentity(CWnd* window);
// Asks the process owning the window to restore it when minimised and to
// bring its last active popup (or itself) to the front. True when asked.
bool BringWindowToFront(DWORD identity);
// Starts answering such requests for this process's main window.
void ListenForActivation();
