#pragma once
// The open and save dialogs of the log-file commands. Tests answer them from
// a script through the chooser, as they answer the message boxes.
#include <functional>
#include <optional>
#include <string>

class CWnd;

struct LogFileRequest {
    bool open;               // open an existing log, else name a new one
    std::string folder;      // where the dialog starts; empty: its own choice
    std::string fileName;    // initial name (a full path for a proposal)
};

// The chosen path, or nothing when the dialog was cancelled.
using LogFileChooser = std::function<std::optional<std::string>(const LogFileRequest&)>;
void SetLogFileChooser(LogFileChooser chooser);

std::optional<std::string> ChooseLogFile(CWnd* owner, const LogFileRequest& request);
