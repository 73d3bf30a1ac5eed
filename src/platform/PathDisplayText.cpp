#include "platform/PathDisplayText.h"

#include <QFile>

std::string PathDisplayText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path)).toLatin1().toStdString();
}

std::string FileNameOf(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }
