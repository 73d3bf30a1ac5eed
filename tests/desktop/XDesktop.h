#pragma once
// The X desktop as an operator meets it: windows found through the window
// manager's lists, real pointer and key events sent through the X server
// (xdotool), pictures of the screen (xwd).
#include <QMargins>
#include <QRect>
#include <QStringList>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using XWindow = unsigned long;

struct WindowInfo {
    XWindow id = 0;
    QRect client;  // in screen coordinates, without the window manager's frame
    bool popup = false;  // override-redirect: menus and tooltips
    std::string name;
};

// Runs a command and gives its standard output; empty when it fails.
std::string RunTool(const QString& program, const QStringList& arguments);

// Polls until `done` holds; false after `milliseconds`.
bool WaitUntil(const std::function<bool()>& done, int milliseconds = 15000);

std::optional<WindowInfo> WindowOf(XWindow id);
// The mapped windows of the process `pid`, menus and tooltips included.
std::vector<WindowInfo> WindowsOf(qint64 pid);
// The managed windows, bottom first, and the focused one.
std::vector<XWindow> StackingOrder();
XWindow ActiveWindow();
// True when `upper` lies above `lower` in the stacking order.
bool IsAbove(XWindow upper, XWindow lower);
// The name the running window manager gives itself, e.g. "Openbox".
std::string WindowManagerName();
// What the window manager's frame adds around a window.
QMargins FrameExtents(XWindow id);
// True when the window manager holds the window maximised both ways.
bool IsMaximized(XWindow id);

void MoveMouse(QPoint point);
void Click(QPoint point);
void DoubleClick(QPoint point);
// Presses the left button at `from`, moves to `to` and lets go.
void Drag(QPoint from, QPoint to);
// Keys by their X names, e.g. "Return", "ctrl+a", "alt+space".
void Key(const std::string& keys);
void Type(const std::string& text);

// True when the window shows more than one colour, i.e. has painted.
bool HasPainted(XWindow id);
// Save the whole screen, or what one window shows, as <name>.png into
// KVX_TEST_ARTIFACTS, if set.
void SaveScreen(const std::string& name);
void SaveWindow(XWindow id, const std::string& name);
