#include "ui/window_settings.h"

#include <QSettings>
#include <QSplitter>
#include <QWidget>

#include "ui/settings.h"

namespace tagwright::window_settings {

bool RestoreWindow(QWidget& window, QSplitter& mainSplitter, QSplitter* folderSplitter) {
  const QSettings settings(SettingsOrganization(), SettingsApplication());
  const QByteArray geometry = settings.value(WindowGeometryKey()).toByteArray();
  if (!geometry.isEmpty()) window.restoreGeometry(geometry);
  const QByteArray main = settings.value(MainSplitterKey()).toByteArray();
  const QByteArray folders = settings.value(FolderSplitterKey()).toByteArray();
  if (folderSplitter != nullptr && !folders.isEmpty()) folderSplitter->restoreState(folders);
  return !main.isEmpty() && mainSplitter.restoreState(main);
}

void SaveWindow(const QWidget& window, const QSplitter& mainSplitter, const QSplitter* folderSplitter) {
  QSettings settings(SettingsOrganization(), SettingsApplication());
  settings.setValue(WindowGeometryKey(), window.saveGeometry());
  settings.setValue(MainSplitterKey(), mainSplitter.saveState());
  if (folderSplitter != nullptr) settings.setValue(FolderSplitterKey(), folderSplitter->saveState());
}

QStringList RecentFolders() {
  QStringList folders =
      QSettings(SettingsOrganization(), SettingsApplication()).value(RecentFoldersKey()).toStringList();
  folders.removeAll(QString());
  while (folders.size() > kRecentFolderCount) folders.removeLast();
  return folders;
}

void AddRecentFolder(const QString& folder) {
  if (folder.isEmpty()) return;
  QStringList folders = RecentFolders();
  folders.removeAll(folder);
  folders.prepend(folder);
  while (folders.size() > kRecentFolderCount) folders.removeLast();
  QSettings(SettingsOrganization(), SettingsApplication()).setValue(RecentFoldersKey(), folders);
}

bool PreviewBeforeChanging() {
  return QSettings(SettingsOrganization(), SettingsApplication()).value(PreviewBeforeChangingKey(), true).toBool();
}

void SetPreviewBeforeChanging(bool on) {
  QSettings(SettingsOrganization(), SettingsApplication()).setValue(PreviewBeforeChangingKey(), on);
}

}  // namespace tagwright::window_settings
