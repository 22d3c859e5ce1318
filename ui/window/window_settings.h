// What the window remembers between runs besides the Preferences: its size and place, the panes'
// widths, the folders opened last and the song list's menu choices. Kept in the desktop's settings
// folder (ui/settings.h).
#pragma once

#include <QString>
#include <QStringList>

class QSplitter;
class QWidget;

namespace tagwright {

namespace window_settings {

// How many folders Open Recent offers.
inline constexpr int kRecentFolderCount = 10;

// The window's size and place and the panes' widths as the user left them (at the first start:
// two thirds of the screen, in its middle); true when the panes' widths were remembered (the
// window then leaves them as they are).
bool RestoreWindow(QWidget& window, QSplitter& mainSplitter, QSplitter* folderSplitter);
void SaveWindow(const QWidget& window, const QSplitter& mainSplitter, const QSplitter* folderSplitter);

// The folders opened last, newest first.
QStringList RecentFolders();
// Puts a folder first among the recent ones (once), keeping kRecentFolderCount.
void AddRecentFolder(const QString& folder);

// How many patterns the pattern dialogs offer.
inline constexpr int kRecentPatternCount = 10;

// The patterns used last under a key of ui/settings.h, newest first.
QStringList RecentPatterns(const QString& key);
// Puts a pattern first among the recent ones (once), keeping kRecentPatternCount.
void AddRecentPattern(const QString& key, const QString& pattern);

// "Preview Before Changing Several Songs": on unless the user turned it off.
bool PreviewBeforeChanging();
void SetPreviewBeforeChanging(bool on);

}  // namespace window_settings

}  // namespace tagwright
