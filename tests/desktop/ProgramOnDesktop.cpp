#include "desktop/ProgramOnDesktop.h"

#include <QProcessEnvironment>
#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kMainTitle = "KVX Acquisition software version";

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

bool IsTooltip(XWindow id)
{
    return RunTool("xprop", {"-id", QString::number(id), "_NET_WM_WINDOW_TYPE"}).find("TOOLTIP") != std::string::npos;
}

void CopyToArtifacts(const fs::path& file, const std::string& name)
{
    const char* folder = std::getenv("KVX_TEST_ARTIFACTS");
    std::error_code ignored;
    if (folder != nullptr && fs::exists(file))
        fs::copy_file(file, fs::path(folder) / name, fs::copy_options::overwrite_existing, ignored);
}

}  // namespace

ProgramOnDesktop::ProgramOnDesktop(const std::string& testName) : m_testName(testName)
{
    static std::atomic<int> count{0};
    const std::string unique = std::to_string(getpid()) + "_" + std::to_string(++count);
    m_instanceName = "kvx_desktop_" + unique;
    m_folder = fs::temp_directory_path() / ("kvx-desktop-" + unique);
    fs::remove_all(m_folder);
    fs::create_directories(m_folder / "home");
    fs::create_directories(m_folder / "run");
    fs::permissions(m_folder / "run", fs::perms::owner_all);
    fs::copy(KVX_PROGRAM_DIR, m_folder / "program", fs::copy_options::recursive);
    // Files the program may have written into the build's folder are not ours.
    for (const char* written : {"Zarkv.cfg", "Zarkv.dat", "error_kvx.log"})
        fs::remove(m_folder / "program" / written);
}

ProgramOnDesktop::~ProgramOnDesktop()
{
    // A program left running by a failed test closes in order, so that it
    // leaves no single-instance mark behind; one that hangs is killed.
    if (m_program.state() != QProcess::NotRunning) {
        m_program.terminate();
        if (!m_program.waitForFinished(10000)) {
            m_program.kill();
            m_program.waitForFinished(10000);
        }
    }
    if (m_emulator.state() != QProcess::NotRunning) {
        m_emulator.terminate();
        if (!m_emulator.waitForFinished(10000)) {
            m_emulator.kill();
            m_emulator.waitForFinished(10000);
        }
    }
    CopyToArtifacts(m_folder / "loggersim.log", m_testName + "-loggersim.log");
    CopyToArtifacts(File("Zarkv.cfg"), m_testName + "-Zarkv.cfg");
    CopyToArtifacts(File("Ressources/KVXS0001.tol"), m_testName + "-KVXS0001.tol");
    std::error_code ignored;
    fs::remove_all(m_folder, ignored);
}

bool ProgramOnDesktop::Start()
{
    const fs::path socket = m_folder / "logger.sock";
    // A restarted program finds the emulator of its first start.
    if (m_emulator.state() == QProcess::NotRunning) {
        m_emulator.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_emulator.setStandardOutputFile(QProcess::nullDevice());
        m_emulator.start(QString::fromStdString(File("loggersim").string()),
                         {"--socket", QString::fromStdString(socket.string()), "--log",
                          QString::fromStdString((m_folder / "loggersim.log").string())});
        if (!m_emulator.waitForStarted(10000) || !WaitUntil([&] { return fs::exists(socket); }))
            return false;
    }
    const size_t logged = EmulatorLog().size();

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("KVX_LOGGER_SOCKET", QString::fromStdString(socket.string()));
    env.insert("KVX_APPLICATION_NAME", QString::fromStdString(m_instanceName));
    // A machine without a printer, whatever this one has.
    env.insert("CUPS_SERVER", QString::fromStdString((m_folder / "no-print-server").string()));
    env.insert("HOME", QString::fromStdString((m_folder / "home").string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString((m_folder / "run").string()));
    m_program.setProcessEnvironment(env);
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.setWorkingDirectory(QString::fromStdString(File("").string()));
    m_program.start(QString::fromStdString(File("varnologger").string()), {});
    if (!m_program.waitForStarted(10000))
        return false;

    std::optional<WindowInfo> printer = WaitForMessageBox();
    if (!printer || !WaitUntilActive(printer->id))
        return false;
    WaitUntil([&] { return HasPainted(printer->id); });
    SaveScreen(m_testName + "-no-printer-box");
    SaveWindow(printer->id, m_testName + "-no-printer-box-window");
    if (!Answer(*printer, "Return") || !WaitUntilGone(printer->id))
        return false;

    std::optional<WindowInfo> main = WaitForWindow(kMainTitle);
    if (!main)
        return false;
    m_main = main->id;
    // The logger has answered this start's settings frame: the link is live.
    return WaitUntilActive(m_main) && WaitUntil([&] { return HasPainted(m_main); }) &&
           WaitUntil([&] { return EmulatorLog().find("TX status", logged) != std::string::npos; });
}

WindowInfo ProgramOnDesktop::Main() const { return WindowOf(m_main).value_or(WindowInfo{}); }

std::optional<WindowInfo> ProgramOnDesktop::Window(const std::string& name) const
{
    for (const WindowInfo& window : WindowsOf(Pid()))
        if (!window.popup && window.name.rfind(name, 0) == 0)
            return window;
    return std::nullopt;
}

std::optional<WindowInfo> ProgramOnDesktop::WaitForWindow(const std::string& name) const
{
    std::optional<WindowInfo> found;
    WaitUntil([&] { return (found = Window(name)).has_value(); });
    return found;
}

std::optional<WindowInfo> ProgramOnDesktop::WaitForNewWindow(const std::vector<XWindow>& known) const
{
    std::optional<WindowInfo> found;
    WaitUntil([&] {
        for (const WindowInfo& window : WindowsOf(Pid()))
            if (!window.popup && std::find(known.begin(), known.end(), window.id) == known.end()) {
                found = window;
                return true;
            }
        return false;
    });
    return found;
}

bool ProgramOnDesktop::WaitUntilGone(XWindow id) const
{
    return WaitUntil([&] { return !WindowOf(id).has_value(); });
}

std::vector<WindowInfo> ProgramOnDesktop::Menus() const
{
    std::vector<WindowInfo> menus;
    for (const WindowInfo& window : WindowsOf(Pid()))
        if (window.popup && !IsTooltip(window.id))
            menus.push_back(window);
    return menus;
}

std::optional<WindowInfo> ProgramOnDesktop::WaitForMessageBox() const { return WaitForWindow(m_instanceName); }

bool ProgramOnDesktop::WaitUntilActive(XWindow id) const
{
    return WaitUntil([&] { return ActiveWindow() == id; });
}

bool ProgramOnDesktop::ClickInto(const WindowInfo& window, QPoint point) const
{
    // Where the window is now: the window manager or the program may have
    // moved it since it opened.
    const std::optional<WindowInfo> now = WindowOf(window.id);
    if (!now)
        return false;
    Click(now->client.topLeft() + point);
    return WaitUntilActive(window.id);
}

bool ProgramOnDesktop::Answer(const WindowInfo& dialog, const std::string& keys) const
{
    if (!ClickInto(dialog, QPoint(dialog.client.width() / 2, 3)))
        return false;
    Key(keys);
    return true;
}

bool ProgramOnDesktop::AskToClose()
{
    const WindowInfo main = Main();
    // The status bar's first part: nothing there reacts to a click.
    if (!ClickInto(main, QPoint(40, main.client.height() - 8)))
        return false;
    Key("alt+F4");
    // The emulator answers, so the program may take the sonde for powered.
    std::optional<WindowInfo> question;
    WaitUntil([&] {
        question = Window(m_instanceName);
        return question.has_value() || !Running() || Window("VarnoLogger");
    });
    if (question && !Answer(*question, "alt+y"))
        return false;
    return WaitUntil([&] { return !Running() || Window("VarnoLogger"); });
}

bool ProgramOnDesktop::Running()
{
    // Without an event loop the process's end is seen only when asked for.
    return m_program.state() != QProcess::NotRunning && !m_program.waitForFinished(0);
}

bool ProgramOnDesktop::WaitForExit(int milliseconds)
{
    return !Running() || m_program.waitForFinished(milliseconds);
}

std::string ProgramOnDesktop::ReadFile(const std::string& relative) const
{
    std::ifstream in(File(relative), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string ProgramOnDesktop::EmulatorLog() const
{
    std::ifstream in(m_folder / "loggersim.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<WindowPlacementStore> ProgramOnDesktop::Placements() const
{
    const std::string bytes = ReadFile("Zarkv.dat");
    if (bytes.size() != sizeof(WindowPlacementStore))
        return std::nullopt;
    WindowPlacementStore store;
    std::memcpy(&store, bytes.data(), sizeof store);
    return store;
}

void ProgramOnDesktop::StorePlacements(const WindowPlacementStore& store) const
{
    std::ofstream(File("Zarkv.dat"), std::ios::binary).write(reinterpret_cast<const char*>(&store), sizeof store);
}

std::optional<std::string> IniValue(const std::string& text, const std::string& section, const std::string& key)
{
    std::istringstream lines(text);
    std::string line;
    bool inSection = false;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line.front() == '[') {
            inSection = Lower(line) == "[" + Lower(section) + "]";
            continue;
        }
        const auto equals = line.find('=');
        if (inSection && equals != std::string::npos && Lower(line.substr(0, equals)) == Lower(key))
            return line.substr(equals + 1);
    }
    return std::nullopt;
}
