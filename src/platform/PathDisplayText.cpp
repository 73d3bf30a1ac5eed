#include "platform/PathDisplayText.h"

#include <QFile>

std::string PathDisplayText(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path)).toLatin1().toStdString();
}
