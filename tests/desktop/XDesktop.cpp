#include "desktop/XDesktop.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <filesystem>

std::string RunTool(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    return process.readAllStandardOutput().toStdString();
}

bool WaitUntil(const std::function<bool()>& done, int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > milliseconds)
            return false;
        QThread::msleep(50);
    }
    return true;
}

namespace {

int NumberAfter(const QString& text, const QString& label)
{
    QRegularExpression pattern(QRegularExpression::escape(label) + R"(\s*(-?\d+))");
    QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

std::vector<XWindow> HexIdsAfterHash(const std::string& line)
{
    std::vector<XWindow> ids;
    const QString text = QString::fromStdString(line);
    const int hash = text.indexOf('#');
    if (hash < 0)
        return ids;
    QRegularExpression hex(R"(0x[0-9a-fA-F]+)");
    for (auto it = hex.globalMatch(text.mid(hash)); it.hasNext();)
        ids.push_back(it.next().captured(0).toULong(nullptr, 16));
    return ids;
}

}  // namespace

std::optional<WindowInfo> WindowOf(XWindow id)
{
    const QString text = QString::fromStdString(RunTool("xwininfo", {"-id", QString::number(id)}));
    if (text.isEmpty())
        return std::nullopt;
    WindowInfo info;
    info.id = id;
    info.client = QRect(NumberAfter(text, "Absolute upper-left X:"), NumberAfter(text, "Absolute upper-left Y:"),
                        NumberAfter(text, "Width:"), NumberAfter(text, "Height:"));
    info.popup = text.contains("Override Redirect State: yes");
    // xwininfo: Window id: 0x400006 "name"
    const QString head = text.trimmed().section('\n', 0, 0);
    const int first = head.indexOf('"');
    const int last = head.lastIndexOf('"');
    if (first >= 0 && last > first)
        info.name = head.mid(first + 1, last - first - 1).toStdString();
    if (!text.contains("Map State: IsViewable"))
        return std::nullopt;
    return info;
}

std::vector<WindowInfo> WindowsOf(qint64 pid)
{
    std::vector<WindowInfo> windows;
    const QString ids = QString::fromStdString(
        RunTool("xdotool", {"search", "--all", "--onlyvisible", "--pid", QString::number(pid)}));
    for (const QString& id : ids.split('\n', Qt::SkipEmptyParts))
        if (auto info = WindowOf(id.toULong()))
            windows.push_back(*info);
    return windows;
}

std::vector<XWindow> StackingOrder()
{
    return HexIdsAfterHash(RunTool("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"}));
}

XWindow ActiveWindow()
{
    const std::vector<XWindow> ids = HexIdsAfterHash(RunTool("xprop", {"-root", "_NET_ACTIVE_WINDOW"}));
    return ids.empty() ? 0 : ids.front();
}

bool IsAbove(XWindow upper, XWindow lower)
{
    const std::vector<XWindow> order = StackingOrder();
    const auto up = std::find(order.begin(), order.end(), upper);
    const auto low = std::find(order.begin(), order.end(), lower);
    return up != order.end() && low != order.end() && up > low;
}

std::string WindowManagerName()
{
    const std::vector<XWindow> check = HexIdsAfterHash(RunTool("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}));
    if (check.empty())
        return {};
    // _NET_WM_NAME(UTF8_STRING) = "Openbox"
    const QString text = QString::fromStdString(RunTool("xprop", {"-id", QString::number(check.front()), "_NET_WM_NAME"}));
    const int first = text.indexOf('"');
    const int last = text.lastIndexOf('"');
    return first >= 0 && last > first ? text.mid(first + 1, last - first - 1).toStdString() : std::string();
}

QMargins FrameExtents(XWindow id)
{
    // _NET_FRAME_EXTENTS(CARDINAL) = left, right, top, bottom
    const QString text = QString::fromStdString(RunTool("xprop", {"-id", QString::number(id), "_NET_FRAME_EXTENTS"}));
    const QStringList values = text.section('=', 1).split(',');
    if (values.size() != 4)
        return {};
    return {values[0].trimmed().toInt(), values[2].trimmed().toInt(), values[1].trimmed().toInt(),
            values[3].trimmed().toInt()};
}

bool IsMaximized(XWindow id)
{
    const std::string state = RunTool("xprop", {"-id", QString::number(id), "_NET_WM_STATE"});
    return state.find("_NET_WM_STATE_MAXIMIZED_VERT") != std::string::npos &&
           state.find("_NET_WM_STATE_MAXIMIZED_HORZ") != std::string::npos;
}

void MoveMouse(QPoint point)
{
    RunTool("xdotool", {"mousemove", QString::number(point.x()), QString::number(point.y())});
}

void Click(QPoint point)
{
    MoveMouse(point);
    RunTool("xdotool", {"click", "1"});
}

void DoubleClick(QPoint point)
{
    MoveMouse(point);
    RunTool("xdotool", {"click", "--repeat", "2", "--delay", "60", "1"});
}

void Drag(QPoint from, QPoint to)
{
    MoveMouse(from);
    RunTool("xdotool", {"mousedown", "1"});
    for (int step = 1; step <= 4; ++step)
        MoveMouse(from + (to - from) * step / 4);
    RunTool("xdotool", {"mouseup", "1"});
}

void Key(const std::string& keys) { RunTool("xdotool", {"key", QString::fromStdString(keys)}); }

void Type(const std::string& text)
{
    RunTool("xdotool", {"type", "--delay", "40", QString::fromStdString(text)});
}

bool HasPainted(XWindow id)
{
    QProcess grab;
    grab.start("bash", {"-c", QString("xwd -silent -id %1 | xwdtopnm 2>/dev/null").arg(id)});
    if (!grab.waitForFinished(30000) || grab.exitCode() != 0)
        return false;
    const QByteArray image = grab.readAllStandardOutput();
    // P6 <width> <height> <maximum> then RGB triplets.
    int fields = 0;
    qsizetype at = 0;
    while (fields < 4 && at < image.size()) {
        while (at < image.size() && QChar(image[at]).isSpace())
            ++at;
        while (at < image.size() && !QChar(image[at]).isSpace())
            ++at;
        ++fields;
    }
    const QByteArray pixels = image.mid(at + 1);
    for (qsizetype i = 3; i + 2 < pixels.size(); i += 3)
        if (pixels.mid(i, 3) != pixels.left(3))
            return true;
    return false;
}

namespace {

void SavePicture(const QString& window, const std::string& name)
{
    const char* folder = std::getenv("KVX_TEST_ARTIFACTS");
    if (folder == nullptr)
        return;
    std::filesystem::create_directories(folder);
    const std::string file = (std::filesystem::path(folder) / (name + ".png")).string();
    RunTool("bash", {"-c", "xwd $1 -silent | xwdtopnm 2>/dev/null | pnmtopng > \"$2\"", "picture", window,
                     QString::fromStdString(file)});
}

}  // namespace

void SaveScreen(const std::string& name) { SavePicture("-root", name); }

void SaveWindow(XWindow id, const std::string& name) { SavePicture(QString("-id %1").arg(id), name); }
