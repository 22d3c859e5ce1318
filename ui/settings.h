// The few things the window remembers between runs (its size and place, the panes' widths, the
// choices of the song list's menu), in the desktop's settings folder: ~/.config/Tagwright/Tagwright.conf.
#pragma once

#include <QSettings>
#include <QString>

namespace tagwright {

inline QString SettingsOrganization() { return QStringLiteral("Tagwright"); }
inline QString SettingsApplication() { return QStringLiteral("Tagwright"); }

// The keys.
inline QString WindowGeometryKey() { return QStringLiteral("window/geometry"); }
inline QString MainSplitterKey() { return QStringLiteral("window/mainSplitter"); }
inline QString FolderSplitterKey() { return QStringLiteral("window/folderSplitter"); }
inline QString AccentedLettersKey() { return QStringLiteral("songList/accentedLetters"); }
inline QString KeepSpellingsKey() { return QStringLiteral("names/keepSpellings"); }
inline QString MoreNameStylesKey() { return QStringLiteral("names/moreNameStyles"); }
inline QString OwnSpellingsKey() { return QStringLiteral("names/ownSpellings"); }
inline QString SmallWordsInLowerCaseKey() { return QStringLiteral("names/smallWordsInLowerCase"); }
inline QString TitleWithMixKey() { return QStringLiteral("names/titleWithMix"); }
inline QString RecentFoldersKey() { return QStringLiteral("folders/recent"); }
inline QString TagPatternsKey() { return QStringLiteral("patterns/tagsFromName"); }
inline QString RenamePatternsKey() { return QStringLiteral("patterns/rename"); }
inline QString ReopenLastFolderKey() { return QStringLiteral("folders/reopenLast"); }
inline QString ViewModeKey() { return QStringLiteral("songList/viewMode"); }
inline QString PreviewBeforeChangingKey() { return QStringLiteral("songList/previewBeforeChanging"); }

}  // namespace tagwright
