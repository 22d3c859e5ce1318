#include "ui/text_conversion.h"

#include <QByteArray>
#include <QFile>

namespace tagwright {

QString PathToQString(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string QStringToPath(const QString& path) { return QFile::encodeName(path).toStdString(); }

}  // namespace tagwright
