#pragma once
#include <functional>
#include <optional>
#include <string>

#include "platform/Types.h"

class CWnd;

constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_EXPLORER = 0x00080000;

// What a file dialog was asked for, as a test's handler sees it.
struct FileDialogRequest {
    bool open;
    std::string defaultExt;
    std::string fileName;
    DWORD flags;
    std::string filter;
    std::string initialDir;
};

// The open or save dialog. The filter lists description|pattern pairs and
// ends in "||"; the default extension (with or without its dot) is added to
// a chosen name that has none. Paths use '/'.
class CFileDialog {
public:
    CFileDialog(BOOL open, const std::string& defaultExt = "", const std::string& fileName = "", DWORD flags = 0,
                const std::string& filter = "", CWnd* parent = nullptr);

    // IDOK or IDCANCEL.
    int DoModal();
    std::string GetPathName() const { return m_path; }
    std::string GetFileName() const;

    struct {
        std::string lpstrInitialDir;
    } m_ofn;

private:
    FileDialogRequest m_request;
    CWnd* m_parent;
    std::string m_path;
};

// Tests answer file dialogs from a script: the chosen path, or nothing for Cancel.
using FileDialogHandler = std::function<std::optional<std::string>(const FileDialogRequest&)>;
void SetFileDialogHandler(FileDialogHandler handler);
