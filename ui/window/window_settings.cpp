#include "ui/window/window_settings.h"

#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QWidget>

#include "ui/settings.h"

namespace tagwright::window_settings {

bool RestoreWindow(QWidget& window, QSplitter& mainSplitter, QSplitter* folderSplitter) {
  const QSettings settings(SettingsOrganization(), SettingsApplication());
  const QByteArray geometry = settings.value(WindowGeometryKey()).toByteArray();
  if (!geometry.isEmpty()) {
    window.restoreGeometry(geometry);
  } else if (const QScreen* screen = window.screen()) {
    // The first start: about two thirds of the screen, in its middle, and never below the
    // window's own size.
    const QRect available = screen->availableGeometry();
    const QSize size = (available.size() * 2 / 3)
                           .expandedTo(window.size())
                           .boundedTo(available.size())
                           .expandedTo(window.minimumSize());
    window.resize(size);
    window.move(available.center() - QPoint(size.width() / 2, size.height() / 2));
  }
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

namespace {

// A remembered list of texts, newest first, at most count long.
QStringList RecentTexts(const QString& key, int count) {
  QStringList texts = QSettings(SettingsOrganization(), SettingsApplication()).value(key).toStringList();
  texts.removeAll(QString());
  while (texts.size() > count) texts.removeLast();
  return texts;
}

void AddRecentText(const QString& key, int count, const QString& text) {
  if (text.isEmpty()) return;
  QStringList texts = RecentTexts(key, count);
  texts.removeAll(text);
  texts.prepend(text);
  while (texts.size() > count) texts.removeLast();
  QSettings(SettingsOrganization(), SettingsApplication()).setValue(key, texts);
}

}  // namespace

QStringList RecentFolders() { return RecentTexts(RecentFoldersKey(), kRecentFolderCount); }

void AddRecentFolder(const QString& folder) { AddRecentText(RecentFoldersKey(), kRecentFolderCount, folder); }

QStringList RecentPatterns(const QString& key) { return RecentTexts(key, kRecentPatternCount); }

void AddRecentPattern(const QString& key, const QString& pattern) { AddRecentText(key, kRecentPatternCount, pattern); }

bool PreviewBeforeChanging() {
  return QSettings(SettingsOrganization(), SettingsApplication()).value(PreviewBeforeChangingKey(), true).toBool();
}

void SetPreviewBeforeChanging(bool on) {
  QSettings(SettingsOrganization(), SettingsApplication()).setValue(PreviewBeforeChangingKey(), on);
}

}  // namespace tagwright::window_settings
