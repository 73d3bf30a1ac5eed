#include "platform/MessageBox.h"

#include <QApplication>
#include <QMessageBox>
#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/Application.h"
#include "platform/UiThread.h"

namespace {

std::mutex g_handlerMutex;
MessageBoxHandler g_handler;
std::atomic<int> g_count{0};
std::atomic<bool> g_nobodyAnswers{false};

QMessageBox::Icon IconOf(UINT type)
{
    switch (type & 0xF0) {
    case MB_ICONHAND: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONASTERISK: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

int ShowQtBox(const std::string& text, const std::string& caption, UINT type)
{
    QMessageBox box(IconOf(type), QString::fromLatin1(caption), QString::fromLatin1(text));
    switch (type & 0x0F) {
    case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
    case MB_YESNOCANCEL: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel); break;
    case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
    default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    if ((type & MB_DEFBUTTON2) != 0)
        box.setDefaultButton((type & 0x0F) == MB_OKCANCEL ? QMessageBox::Cancel : QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes: return IDYES;
    case QMessageBox::No: return IDNO;
    case QMessageBox::Cancel: return IDCANCEL;
    default: return IDOK;
    }
}

// Cancel, No or OK: as a box open when the signal came is ended.
int CloseBoxAnswer(UINT type)
{
    switch (type & 0x0F) {
    case MB_OKCANCEL:
    case MB_YESNOCANCEL: return IDCANCEL;
    case MB_YESNO: return IDNO;
    default: return IDOK;
    }
}

}  // namespace

void SetNobodyAnswers(bool nobody) { g_nobodyAnswers = nobody; }

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    std::lock_guard lock(g_handlerMutex);
    g_handler = std::move(handler);
}

int MessageBoxCount() { return g_count; }

int MessageBoxWithCaption(const std::string& text, const std::string& caption, UINT type)
{
    ++g_count;
    if (g_nobodyAnswers) {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return CloseBoxAnswer(type);
    }
    MessageBoxHandler handler;
    {
        std::lock_guard lock(g_handlerMutex);
        handler = g_handler;
    }
    if (handler)
        return handler(text, caption, type);
    int result = IDCANCEL;
    RunOnUiThread([&] { result = ShowQtBox(text, caption, type); }, true);
    return result;
}

int AfxMessageBox(const std::string& text, UINT type)
{
    return MessageBoxWithCaption(text, GetApplicationName(), type);
}
