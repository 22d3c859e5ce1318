// The main window: the folder tree and file list on the left, the song list above the song details
// panel in the middle, the filters, the save buttons and the view modes on the right.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "commands/song_pass.h"
#include "commands/song_plans.h"
#include "songs/song_list.h"

class QAction;
class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QSplitter;
class QStyleOptionViewItem;
class QToolButton;

namespace tagwright {

class TAboutBox;
class TDialogs;
class TFolderTree;
class TShellFileList;
class TSongListBox;
class TSongRowModel;
class TStatusPanels;

class TfrmRo3VavMain : public QMainWindow {
  Q_OBJECT
 public:
  // The dialogs are the window's way to message boxes, the input dialog and opening files; they
  // must outlive the window.
  explicit TfrmRo3VavMain(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TfrmRo3VavMain() override;

  TDialogs& Dialogs() const { return dialogs_; }

  // --- Status bar ---
  // Puts a text into the message panel and paints it at once, also while the window is busy.
  void SetStatusText(const QString& text);
  // Copies a hint into the message panel, on one line.
  void ShowHintInStatus(const QString& hint);
  QString StatusText() const;
  QString CountText() const;

  // --- Song list ---
  // Rebuilds the song list and its rows from the song files of a folder (and its subfolders when
  // "Include Subdirectories" is ticked). An empty path is no folder: the list is emptied.
  void LoadSongFolder(const std::string& folder);
  // Replaces the song list by one recognised song per path. Files that cannot be read are left out
  // and named in UnreadableSongs().
  void LoadSongs(const std::vector<std::string>& files);
  // Sorts by the view mode, fills the rows the chosen filter lets through, enables the filters that
  // would show something, and shows the count.
  void RefreshSongList();
  int SelectedSongCount() const;
  // The song behind a row; nullptr for a row that does not exist.
  TSongFile* SongAtRow(int row) const;
  void SelectSingleRow(TSongListBox* listBox, int row);
  void UnselectAllRows(TSongListBox* listBox);
  QColor SongStatusColor(const TSongFile& song) const;
  int ViewMode() const;
  int RecognitionFilter() const;
  int CurrentRow() const;
  int RowCount() const;
  const TSongList& Songs() const { return songs_; }
  const std::vector<std::string>& UnreadableSongs() const { return unreadableSongs_; }

  // The folder selected in the folder tree as the file system spells it; empty when none is.
  std::string SelectedFolder() const;
  // Selects a folder in the folder tree, which loads it; false when it is no folder.
  bool SelectFolder(const QString& path);

  // --- Song details panel ---
  void ShowSongDetails();
  void ClearSongDetails();
  void PreviousSong();
  void NextSong();
  void CheckFieldLength(QLineEdit* sender);
  // The panel's group box caption: " Song Details " or " Song Details (common) ".
  QString SongDetailsCaption() const;

  // Runs work; an error that escapes it is shown in an error box with its text, and the window
  // carries on. Every handler that loads songs or runs a command goes through here.
  void RunGuarded(const std::function<void()>& work);
  void ShowError(const std::exception& error);
  void ShowErrorText(const std::string& text);

  // --- Commands ---
  // The frame of every command on the selected songs: runs the song pass over the selected rows in
  // list order, asks (or, without askWhenUnwritable, silently skips) when a file cannot be written,
  // hands each result to onResult, shows a file that could not be read or written in an error box
  // (which ends the pass), calls afterLastRow when every row was visited, and always reloads the
  // folder and selects the row that was current, by position.
  void RunSelectedSongsPass(bool askWhenUnwritable, const TSongPlanner& planner,
                            const std::function<void(const TSongResult&)>& onResult = {},
                            const std::function<void()>& afterLastRow = {});
  // Blanks one tag field of every selected song ("ID3 Clear").
  void ClearTagField(TTagField field);
  // Moves the focused field's selection to the front of target, and tidies what is left.
  void CutSelectionTo(QLineEdit* target);

  // --- The window's parts (named as the commands refer to them) ---
  QFrame* pnlTop = nullptr;
  QLabel* Image1 = nullptr;
  QToolButton* btnAbout = nullptr;
  TStatusPanels* StatusBar1 = nullptr;

  QWidget* pnlSortAndFilter = nullptr;
  QGroupBox* radRecogTypeFilter = nullptr;
  QRadioButton* radfbUnfiltered = nullptr;
  QRadioButton* radfbFailedRecognition = nullptr;
  QRadioButton* radfbID3TagUsed = nullptr;
  QRadioButton* radfbPatternMatching = nullptr;
  QRadioButton* radfbIncomplete = nullptr;
  QRadioButton* radfbUnsavedID3 = nullptr;
  QRadioButton* radfbUnrenamedFile = nullptr;
  QRadioButton* radfbNoGenre = nullptr;
  QButtonGroup* filterButtons = nullptr;  // ids are TRecognitionFilter values
  QGroupBox* pnlWriteRecogInfo = nullptr;
  QPushButton* cmdHandsFreeUpdate = nullptr;
  QPushButton* cmdRenameSelectedFiles = nullptr;
  QPushButton* cmdTitleArtistCleanupToID3 = nullptr;
  QPushButton* cmdUseFilenameAsTitle = nullptr;
  QGroupBox* radViewBy = nullptr;
  QButtonGroup* viewButtons = nullptr;  // ids are TViewMode values

  QSplitter* Splitter1 = nullptr;
  QWidget* pnlExplore = nullptr;
  QToolButton* Image2 = nullptr;
  QSplitter* splitExploreFiles = nullptr;
  TFolderTree* ShellTreeView1 = nullptr;
  TShellFileList* ShellListView1 = nullptr;

  TSongListBox* lstFiles = nullptr;
  QWidget* pnlSongDetails = nullptr;
  QGroupBox* SongDetailsGroupBox = nullptr;
  QLineEdit* lblFilenameDisplay = nullptr;
  QLineEdit* txtArtistDisplay = nullptr;
  QLineEdit* txtTitleDisplay = nullptr;
  QLineEdit* txtAlbumDisplay = nullptr;
  QLineEdit* txtYearDisplay = nullptr;
  QComboBox* cboGenreDisplay = nullptr;
  QLineEdit* txtCommentDisplay = nullptr;
  QLineEdit* txtTrackDisplay = nullptr;
  QLabel* lblReadOnlyCaption = nullptr;
  QLabel* lblSongDetailDecoration = nullptr;
  QToolButton* btnPrevFile = nullptr;
  QToolButton* btnNextFile = nullptr;
  QPushButton* cmdRenameFilesWithDetails = nullptr;
  QPushButton* cmdUpdateID3Tags = nullptr;

  // The song list's pop-up menu.
  QMenu* popFilesList = nullptr;
  QAction* popPlaySongs = nullptr;
  QAction* popStampID3Tags = nullptr;
  QMenu* mnuClear = nullptr;
  QAction* mnuClearArtist = nullptr;
  QAction* mnuClearTitle = nullptr;
  QAction* mnuClearTrack = nullptr;
  QAction* mnuClearAlbum = nullptr;
  QAction* mnuClearYear = nullptr;
  QAction* mnuClearGenre = nullptr;
  QAction* mnuClearComment = nullptr;
  QAction* popRenameFile = nullptr;
  QAction* popDeleteFile = nullptr;
  QAction* popSelectArtist = nullptr;
  QAction* popSelectAll = nullptr;
  QAction* popchkIncludeSubdirectories = nullptr;  // checkable: choosing it flips the tick by itself
  QAction* popRefresh = nullptr;

  // The pop-up menu of the artist, title, album and comment fields.
  QMenu* popSongDetailsText = nullptr;
  QAction* popSDUnderscoresToSpaces = nullptr;
  QAction* popSDInitialCaps = nullptr;
  QAction* popSDRemoveArtistNameFromTitleBeginning = nullptr;
  QMenu* mnuUpdFromFilename = nullptr;
  QAction* cmdUpdFilenameArtist = nullptr;
  QAction* cmdUpdFilenameTitle = nullptr;
  QMenu* mnuCutTo = nullptr;
  QAction* mnuCutToArtist = nullptr;
  QAction* mnuCutToTitle = nullptr;
  QAction* mnuCutToAlbum = nullptr;
  QAction* mnuCutToComment = nullptr;
  QAction* mnuCutToTrack = nullptr;
  QAction* Cut1 = nullptr;
  QAction* Copy1 = nullptr;
  QAction* Paste1 = nullptr;

 public Q_SLOTS:
  // --- Window events ---
  void btnAboutClick();
  void Image2Click();
  void ShellTreeView1FolderSelected(const QString& path);
  void radViewByClick();
  void radRecogTypeFilterClick();
  void lstFilesClick();
  void lstFilesKeyPress();
  void lstFilesDblClick();
  void btnPrevFileClick();
  void btnNextFileClick();
  void popFilesListPopup();
  void popSongDetailsTextPopup();

  // --- Commands: the buttons and pop-up menu entries ---
  void cmdUpdateID3TagsClick();
  void popStampID3TagsClick();
  void cmdRenameFilesClick();
  void cmdRenameFilesWithDetailsClick();
  void popRenameFileClick();
  void cmdUseFilenameAsTitleClick();
  void cmdTitleArtistCleanupToID3Click();
  void cmdHandsFreeUpdateClick();
  void popPlaySongsClick();
  void mnuClearArtistClick();
  void mnuClearTitleClick();
  void mnuClearTrackClick();
  void mnuClearAlbumClick();
  void mnuClearYearClick();
  void mnuClearGenreClick();
  void mnuClearCommentClick();
  void popDeleteFileClick();
  void popSelectArtistClick();
  void popSelectAllClick();
  void popchkIncludeSubdirectoriesClick();
  void popRefreshClick();
  void popSDUnderscoresToSpacesClick();
  void popSDInitialCapsClick();
  void popSDRemoveArtistNameFromTitleBeginningClick();
  void cmdUpdFilenameArtistClick();
  void cmdUpdFilenameTitleClick();
  void mnuCutToArtistClick();
  void mnuCutToTitleClick();
  void mnuCutToAlbumClick();
  void mnuCutToCommentClick();
  void mnuCutToTrackClick();
  void Cut1Click();
  void Copy1Click();
  void Paste1Click();

 protected:
  bool event(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  // Building the window's parts.
  QWidget* CreateTopPanel();
  QWidget* CreateSortAndFilterPanel();
  QWidget* CreateExplorePanel();
  QWidget* CreateMiddlePanel();
  QWidget* CreateSongDetailsPanel();
  void CreateFilesListMenu();
  void CreateSongDetailsMenu();
  void ConnectEvents();

  void FormCreate();
  void FormDestroy();
  void FormKeyDown(QKeyEvent* event, QWidget* receiver);
  void FormResize();
  void lstFilesDrawItem(QPainter* painter, const QStyleOptionViewItem& option, int row);
  void OpenCurrentSong();
  void SetSongDetailsCaption(const QString& caption);
  void ShowSongDetailsTextMenu(QLineEdit* field, const QPoint& position);
  QString HintOf(QWidget* widget) const;
  TPanelValues TrimmedPanelValues();
  QLineEdit* FocusedEditField() const;
  void UpdateFieldFromFileName(QLineEdit* field, bool artist);
  void SelectRows(const std::vector<int>& rows);
  void ReportUnreadableSongs();

  TDialogs& dialogs_;
  TSongList songs_;
  TSongRowModel* rows_ = nullptr;
  std::vector<std::string> unreadableSongs_;
  bool shownOnce_ = false;
  bool filling_ = false;  // the rows or the selection are being rebuilt: the panel does not follow
  const QKeyEvent* keyEvent_ = nullptr;  // the key event seen last, and the widget it was seen at
  QObject* keyReceiver_ = nullptr;
};

}  // namespace tagwright
