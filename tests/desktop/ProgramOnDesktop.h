#pragma once
// The built program started from a copy of its folder, with an instance name
// of its own, against the logger emulator on a socket, on the X display of
// the test.
#include <QProcess>
#include <filesystem>
#include <optional>
#include <string>

#include "core/Settings.h"
#include "desktop/XDesktop.h"

class ProgramOnDesktop {
public:
    explicit ProgramOnDesktop(const std::string& testName);
    ~ProgramOnDesktop();

    // Starts the program, again once it has ended if need be, in the same
    // folder; true once its main window is up and active, after the operator
    // has answered the start-up's "No default printer!!!" box.
    bool Start();

    // The main window, as it is now.
    WindowInfo Main() const;
    std::optional<WindowInfo> Window(const std::string& name) const;
    // A window of the program that `known` does not hold, once it is up.
    std::optional<WindowInfo> WaitForNewWindow(const std::vector<XWindow>& known) const;
    std::optional<WindowInfo> WaitForWindow(const std::string& name) const;
    bool WaitUntilGone(XWindow id) const;
    // The open menus (popups that are not tooltips).
    std::vector<WindowInfo> Menus() const;
    // Message boxes carry the program's instance name as their caption.
    std::optional<WindowInfo> WaitForMessageBox() const;
    bool WaitUntilActive(XWindow id) const;
    // Clicks `point` of `window`'s client area and waits until it is active.
    bool ClickInto(const WindowInfo& window, QPoint point) const;
    // Clicks the top margin of a dialog, where no control lies, and then
    // presses `keys` in it.
    bool Answer(const WindowInfo& dialog, const std::string& keys) const;

    // Closes the main window with Alt+F4 as the operator does, saying yes
    // when the program asks whether the sonde may still be powered; true
    // once the shutdown has begun.
    bool AskToClose();
    bool Running();
    bool WaitForExit(int milliseconds = 30000);
    int ExitCode() const { return m_program.exitCode(); }

    qint64 Pid() const { return m_program.processId(); }
    const std::string& InstanceName() const { return m_instanceName; }
    std::filesystem::path File(const std::string& relative) const { return m_folder / "program" / relative; }
    std::string ReadFile(const std::string& relative) const;
    std::string EmulatorLog() const;
    std::optional<WindowPlacementStore> Placements() const;
    // Zarkv.dat as the next start reads it.
    void StorePlacements(const WindowPlacementStore& store) const;

private:
    std::string m_testName;
    std::filesystem::path m_folder;
    std::string m_instanceName;
    QProcess m_emulator;
    QProcess m_program;
    XWindow m_main = 0;
};

// The value of `key` in `[section]` of an INI text, or nothing.
std::optional<std::string> IniValue(const std::string& text, const std::string& section, const std::string& key);
