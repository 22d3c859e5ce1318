#include "ui/trash.h"

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStorageInfo>

#include "ui/text_conversion.h"

namespace tagwright {

bool HasTrashFor(const std::string& path) {
  const QString spelled = PathToQString(path);
  if (QStringToPath(spelled) != path) return false;
  const QStorageInfo storage(QFileInfo(spelled).absolutePath());
  if (!storage.isValid()) return false;
  if (storage.rootPath() == QStorageInfo(QDir::homePath()).rootPath()) {
    return !QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).isEmpty();
  }
  const QString top = storage.rootPath();
  const QString user = QString::number(::getuid());
  if (QFileInfo(top + QStringLiteral("/.Trash/") + user).isDir()) return true;
  if (QFileInfo(top + QStringLiteral("/.Trash-") + user).isDir()) return true;
  return ::access(QFile::encodeName(top).constData(), W_OK) == 0;
}

bool MoveToTrash(const std::string& path, std::string& failure) {
  const QString original = PathToQString(path);
  // Qt (6.4) moves the file into the working folder when the user's data folder does not exist yet:
  // the user's trash is made first.
  const QStorageInfo storage(QFileInfo(original).absolutePath());
  if (storage.isValid() && storage.rootPath() == QStorageInfo(QDir::homePath()).rootPath()) {
    const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (dataHome.isEmpty() || !QDir().mkpath(dataHome + QStringLiteral("/Trash/files")) ||
        !QDir().mkpath(dataHome + QStringLiteral("/Trash/info"))) {
      failure = "the trash folder cannot be made";
      return false;
    }
  }
  QFile file(original);
  if (!file.moveToTrash()) {
    failure = ToStdString(file.errorString());
    return false;
  }
  if (QFileInfo(file.fileName()).isAbsolute()) return true;
  // No trash was found after all: the file is put back where it was.
  if (!QFile::rename(file.fileName(), original)) {
    failure = "no trash was found, and the file is now " + QStringToPath(QFileInfo(file.fileName()).absoluteFilePath());
  } else {
    failure = "no trash was found";
  }
  return false;
}

}  // namespace tagwright
