#include "platform/FileDialog.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QStringList>

#include "platform/MessageBox.h"
#include "platform/PathDisplayText.h"
#include "platform/Window.h"

namespace {

FileDialogHandler& Handler()
{
    static FileDialogHandler handler;
    return handler;
}

QString Latin1(const std::string& text) { return QString::fromLatin1(text.data(), qsizetype(text.size())); }

// Paths keep the file system's own bytes, whatever the program's texts are in.
QString PathToQt(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// Qt holds paths as text: bytes that are no text in the locale's encoding
// (a Latin-1 name under UTF-8) do not come back from it. A choice that is one
// of the paths given, or lies in one, is given back in their bytes.
std::string PathFromQt(const QString& chosen, const FileDialogRequest& request)
{
    const QString path = QDir::cleanPath(chosen);
    for (std::string given : {request.fileName, request.initialDir}) {
        if (given.empty() || given.front() != '/')
            continue;
        while (given.size() > 1 && given.back() == '/')
            given.pop_back();
        const QString text = QDir::cleanPath(PathToQt(given));
        if (path == text)
            return given;
        if (path.startsWith(text + '/'))
            return given + "/" + QFile::encodeName(path.mid(text.size() + 1)).toStdString();
    }
    return QFile::encodeName(chosen).toStdString();
}

// The name the dialog proposes. Qt shows a path whose folder it cannot
// enter without its leading '/', which then names a file below the folder
// shown: such a path is shown whole.
void ProposeName(QFileDialog& dialog, const std::string& name)
{
    const QString path = PathToQt(name);
    dialog.selectFile(path);
    const QFileInfo info(path);
    auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
    if (info.isAbsolute() && dialog.directory().absolutePath() != info.absolutePath() && edit != nullptr)
        edit->setText(path);
}

// "Text (*.txt)|*.txt|All|*.*||" as Qt's name filters; Qt finds the patterns
// in the last parentheses of each.
QStringList NameFilters(const std::string& filter)
{
    const QStringList parts = Latin1(filter).split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString name = parts[i];
        if (!name.trimmed().endsWith(')'))
            name += " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
        filters << name;
    }
    return filters;
}

std::optional<std::string> ShowQtDialog(const FileDialogRequest& request, CWnd* parent)
{
    QFileDialog dialog(parent != nullptr ? parent->GetSafeHwnd() : nullptr);
    dialog.setNameFilters(NameFilters(request.filter));
    dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(request.open && (request.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                           : QFileDialog::AnyFile);
    if (!(request.flags & OFN_OVERWRITEPROMPT))
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.initialDir.empty())
        dialog.setDirectory(PathToQt(request.initialDir));
    // A wildcard as the name only repeats the filter.
    if (!request.fileName.empty() && request.fileName.find('*') == std::string::npos)
        ProposeName(dialog, request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return PathFromQt(dialog.selectedFiles().first(), request);
}

}  // namespace

void SetFileDialogHandler(FileDialogHandler handler) { Handler() = std::move(handler); }

CFileDialog::CFileDialog(BOOL open, const std::string& defaultExt, const std::string& fileName, DWORD flags,
                         const std::string& filter, CWnd* parent)
    : m_request{open != FALSE, defaultExt, fileName, flags, filter, ""}, m_parent(parent)
{
}

int CFileDialog::DoModal()
{
    m_request.initialDir = m_ofn.lpstrInitialDir;
    std::optional<std::string> chosen = Handler() ? Handler()(m_request) : ShowQtDialog(m_request, m_parent);
    if (!chosen || chosen->empty())
        return IDCANCEL;
    m_path = *chosen;
    std::string ext = m_request.defaultExt;
    if (!ext.empty() && ext.front() == '.')
        ext.erase(0, 1);
    if (!ext.empty() && FileNameOf(m_path).find('.') == std::string::npos)
        m_path += "." + ext;
    return IDOK;
}

std::string CFileDialog::GetFileName() const { return FileNameOf(m_path); }
