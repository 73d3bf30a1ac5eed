#include "mainwnd/LogFileDialog.h"

#include <QFileDialog>

#include "platform/Window.h"

namespace {

LogFileChooser& Chooser()
{
    static LogFileChooser chooser;
    return chooser;
}

QString Latin1(const std::string& text) { return QString::fromLatin1(text.c_str()); }

}  // namespace

void SetLogFileChooser(LogFileChooser chooser) { Chooser() = std::move(chooser); }

std::optional<std::string> ChooseLogFile(CWnd* owner, const LogFileRequest& request)
{
    if (Chooser())
        return Chooser()(request);
    QFileDialog dialog(owner != nullptr ? owner->GetSafeHwnd() : nullptr);
    dialog.setNameFilter("Tralvin Sonde File (*.log)");
    dialog.setDefaultSuffix("log");
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    // The replace question is the command's own.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.folder.empty())
        dialog.setDirectory(Latin1(request.folder));
    if (!request.fileName.empty() && request.fileName != "*.log")
        dialog.selectFile(Latin1(request.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first().toLatin1().toStdString();
}
