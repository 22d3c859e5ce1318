// The window's sizes, margins and colours, each named once here.
#pragma once

#include <QColor>
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QSize>

namespace tagwright {

// --- Colours ---
// The banner's ground and the frame around a selected song row.
inline const QColor kSkyBlue(166, 202, 240);
// A details field whose text is longer than an ID3v1 tag holds.
inline const QColor kLightOrange(255, 190, 125);

// --- The window ---
inline constexpr QSize kWindowSize(747, 601);  // tall enough for the five views of "Sort and View By"
inline constexpr int kWindowMinimumHeight = 400;
// How long a control's hint stays up, in milliseconds.
inline constexpr int kHintMilliseconds = 5000;

// --- The banner along the top ---
inline constexpr int kBannerHeight = 40;
inline constexpr QRect kBannerImageGeometry(1, 1, 750, 32);
inline constexpr QRect kAboutButtonGeometry(4, 6, 23, 22);

// --- The folder pane on the left ---
inline constexpr int kFolderPaneWidth = 185;
inline constexpr int kFolderPaneMinimumWidth = 100;
inline constexpr int kMainSplitterHandleWidth = 7;
inline constexpr int kMiddlePaneStartWidth = 400;
inline constexpr int kFolderPaneHeaderHeight = 20;
inline constexpr QMargins kFolderPaneHeaderMargins(2, 0, 2, 0);
inline constexpr QSize kRefreshButtonSize(20, 18);
inline constexpr int kFolderSplitterHandleWidth = 6;
inline constexpr int kFolderSplitterStartHeight = 240;  // of the folder tree and of the file list

// --- The sort and filter panel on the right ---
// At least this wide, wider when the desktop's font needs it.
inline constexpr int kSortFilterPanelMinimumWidth = 154;
inline constexpr QMargins kSortFilterPanelMargins(8, 8, 9, 8);
inline constexpr int kSortFilterPanelSpacing = 7;
inline constexpr QMargins kChoiceBoxMargins(8, 4, 4, 6);  // the filter and view mode boxes
inline constexpr int kChoiceBoxSpacing = 1;
inline constexpr QMargins kSaveBoxMargins(8, 8, 8, 8);
inline constexpr int kSaveBoxSpacing = 6;
inline constexpr int kSaveBoxBevelSpacing = 4;  // above and below the line under Hands-Free
inline constexpr QSize kCommandButtonMinimumSize(121, 25);

// --- The song details panel below the song list ---
inline constexpr QMargins kDetailsPanelMargins(8, 3, 8, 6);
inline constexpr QMargins kDetailsBoxMargins(8, 6, 4, 6);
inline constexpr int kDetailsGridColumnSpacing = 6;
inline constexpr int kDetailsGridRowSpacing = 3;
inline constexpr int kDetailsButtonsGap = 4;  // above the rename and stamp buttons
// Wide fields give way down to a third of this when the window is narrow.
inline constexpr int kWideFieldWidth = 281;
inline constexpr int kYearFieldWidth = 49;
inline constexpr int kTrackFieldWidth = 33;
inline constexpr int kGenreBoxWidth = 161;
inline constexpr int kGenreBoxVisibleItems = 20;
// Fields up to this width keep it; wider ones give way.
inline constexpr int kFixedFieldWidthLimit = 100;
inline constexpr QSize kArrowButtonSize(23, 81);
inline constexpr int kArrowButtonSpacing = 2;
inline constexpr int kStatusMarkGap = 2;  // between the box's caption and the colour mark

// --- The status bar ---
inline constexpr int kStatusBarHeight = 20;
inline constexpr QMargins kStatusBarMargins(0, 1, 0, 0);
inline constexpr int kStatusPanelSpacing = 2;
inline constexpr int kStatusPanelIndent = 2;
inline constexpr int kMessagePanelWidth = 400;
inline constexpr int kCountPanelWidth = 70;
inline constexpr int kSparePanelWidth = 50;
// The message panel takes what the window's outer width leaves beyond this, but never less than
// kMessagePanelWidth.
inline constexpr int kStatusBarWidthBesideMessage = 363;
// The progress of a load or a command, beside the panels.
inline constexpr int kProgressBarMaximumWidth = 220;

// --- The folder tree and the file list ---
inline constexpr int kFolderTreeIndentation = 19;
inline constexpr int kFileListNameColumnWidth = 160;

// --- The About box ---
inline constexpr QSize kAboutBoxSize(298, 213);
inline constexpr QRect kAboutPanelGeometry(8, 8, 281, 161);
inline constexpr QRect kAboutIconGeometry(8, 8, 99, 86);
inline constexpr int kAboutIconPixmapSide = 86;
inline constexpr int kAboutIconPixmapLeft = -6;  // the icon's picture sits a little right of the label's left edge
inline constexpr int kAboutNamePointSize = 14;
inline constexpr QPoint kAboutNamePosition(120, 16);
inline constexpr QPoint kAboutVersionPosition(120, 48);
inline constexpr QRect kAboutCreditsGeometry(8, 96, 265, 20);
inline constexpr QRect kAboutCommentsGeometry(8, 120, 265, 34);
inline constexpr QRect kAboutOkButtonGeometry(111, 180, 75, 25);

// --- Dialogs ---
// Wide enough for a long file name.
inline constexpr int kInputDialogMinimumWidth = 480;

// --- The preview of a command ---
inline constexpr QSize kPreviewDialogSize(900, 420);

// --- The song list ---
inline constexpr int kSongRowHeight = 16;
inline constexpr int kSongRowTextIndent = 2;
inline constexpr int kSongRowMarkGap = 3;  // after the state's shape and the lock

}  // namespace tagwright
