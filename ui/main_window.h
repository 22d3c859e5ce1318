// The main window: the banner on top; the folder pane on the left; the song list above the song
// details panel in the middle; the filters, the save buttons and the view modes on the right; the
// status bar below. The window holds the songs of the selected folder, puts its parts together, wires
// them, and runs the commands on the selected songs.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "commands/song_pass.h"
#include "commands/song_plans.h"
#include "songs/song_filter.h"
#include "songs/song_list.h"
#include "songs/song_listing.h"
#include "songs/song_view_mode.h"
#include "ui/error_guard.h"
#include "ui/pass_summary.h"
#include "ui/preferences.h"

class QSplitter;

namespace tagwright {

class THistory;

class TDialogs;
class TFolderPane;
class THintRelay;
class TSongDetailsPanel;
class TSongListPane;
class TSortFilterPanel;
class TStatusPanels;

class TMainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // The dialogs are the window's way to message boxes, the input dialog and opening files; they
  // must outlive the window.
  explicit TMainWindow(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TMainWindow() override;

  TDialogs& Dialogs() const { return dialogs_; }
  // The history that records the commands' changes, so that they can be undone; none records
  // nothing. It must outlive the window.
  void UseHistory(THistory* history) { history_ = history; }
  // The history that should record the commands could not be opened: commands that change files
  // then change nothing and show why.
  void RefuseChangesWithoutHistory(std::string reason) { historyMissing_ = std::move(reason); }
  // Whether the history holds a command that is not undone.
  bool CanUndo() const;

  // --- Status bar ---
  // Puts a text into the message panel and paints it at once, also while the window is busy.
  void SetStatusText(const QString& text);
  QString StatusText() const;
  QString CountText() const;
  // The progress of the load or command running, beside the panels; empty when none runs.
  QString ProgressText() const;

  // --- Songs ---
  // Rebuilds the song list and its rows from the song files of a folder (and its subfolders when
  // "Include Subdirectories" is ticked). The songs are read on other threads while the window
  // keeps painting and shows "Reading songs: n / N"; choosing another folder meanwhile abandons
  // this load, and the list then shows the other folder only. An empty path is no folder: the
  // list is emptied.
  void LoadSongFolder(const std::string& folder);
  // Called on the reading threads before each song of a load (tests make loads slow with it).
  void SetBeforeEachSongRead(std::function<void()> hook) { beforeEachSongRead_ = std::move(hook); }
  // Replaces the song list by one recognised song per path. Files that cannot be read are left out
  // and named in UnreadableSongs().
  void LoadSongs(const std::vector<std::string>& files);
  // Sorts by the view mode, fills the rows the chosen filter lets through, enables the filters that
  // would show something, and shows the count.
  void RefreshSongList();
  const TSongList& Songs() const { return songs_; }
  const std::vector<std::string>& UnreadableSongs() const { return unreadableSongs_; }
  TViewMode ViewMode() const;
  TRecognitionFilter RecognitionFilter() const;
  // Chooses a view mode or filter without refreshing the list.
  void SetViewMode(TViewMode viewMode);
  void SetRecognitionFilter(TRecognitionFilter filter);

  // --- Rows and selection ---
  int RowCount() const;
  int CurrentRow() const;
  int SelectedSongCount() const;
  // The song behind a row; nullptr for a row that does not exist.
  TSongFile* SongAtRow(int row) const;
  // Makes a row the current and only selected one and shows its details; a row that does not exist
  // changes nothing.
  void SelectSingleRow(int row);
  void UnselectAllRows();

  // --- Folders ---
  // The folder selected in the folder tree as the file system spells it; empty when none is.
  std::string SelectedFolder() const;
  // Selects a folder in the folder tree, which loads it; false when it is no folder.
  bool SelectFolder(const QString& path);
  // The folder to start on, as the file system spells it (from the command line): selected in the
  // tree like SelectFolder, also when its name is no valid UTF-8 and the tree cannot spell it; the
  // songs are then found by the name's own bytes, until another folder is selected. False when it
  // is no folder.
  bool OpenStartFolder(const std::string& folder);

  // --- Song details panel ---
  void ShowSongDetails();
  void PreviousSong();
  void NextSong();
  // The panel's group box caption: " Song Details " or " Song Details (common) ".
  QString SongDetailsCaption() const;

  // Runs work; an error that escapes it is shown in an error box with its text, and the window
  // carries on. Every handler that loads songs or runs a command goes through here.
  void RunGuarded(const std::function<void()>& work) const { guard_.Run(work); }
  void ShowError(const std::exception& error) const { guard_.ShowError(error); }
  void ShowErrorText(const std::string& text) const { guard_.ShowErrorText(text); }

  // --- Commands (main_window_commands.cpp) ---
  // The frame of every command on the selected songs: runs the song pass over the selected rows in
  // list order, asks (or, without askWhenUnwritable, silently skips) when a file cannot be written,
  // hands each result to onResult, ends the pass at a file that could not be read or written, calls
  // afterLastRow when every row was visited, and always reloads the folder and selects the row that
  // was current, by position. After the reload the message panel sums the pass up in one line,
  // headed by the command's name, and then an error box names the file that ended the pass. While
  // the pass runs, the progress bar shows "COMMAND: n / N"; the message panel keeps the messages
  // of the pass. Returns what became of the songs.
  TPassSummary RunSelectedSongsPass(const QString& command, TPassCount count, bool askWhenUnwritable,
                                    const TSongPlanner& planner,
                                    const std::function<void(const TSongResult&)>& onResult = {},
                                    const std::function<void()>& afterLastRow = {});

 public Q_SLOTS:
  // The buttons and the song list's pop-up menu entries.
  void StampWithDetails();
  void StampRecognized();
  void AutoRename();
  void RenameWithDetails();
  void RenameThisFile();
  void UseFileNameAsTitle();
  void CleanUpDetails();
  void HandsFreeUpdate();
  void PlaySelectedSongs();
  // Blanks one tag field of every selected song ("ID3 Clear").
  void ClearTagField(TTagField field);
  void DeleteThisFile();
  void SelectArtist();
  void SelectAll();
  void ReloadForSubfolderTick();
  void RefreshSongFolder();
  // "Accented Letters in Names": remembered, and the songs recognised afresh.
  void UseAccentedLetters(bool on);
  // The Preferences dialog (Ctrl+, and the song list's menu).
  void ShowPreferences();
  // Takes the choices, remembers them, and lists the songs afresh when reading names changed.
  void UsePreferences(const TPreferences& preferences);
  const TPreferences& Preferences() const { return preferences_; }
  // The known spellings clean-up keeps; null with Keep Known Spellings off.
  const TKnownSpellings* KnownSpellings() const { return spellings_.get(); }
  // Show what "Hands-Free!" or "AutoRename Files" would do to the selected songs, writing nothing;
  // "Apply" then runs the command on them.
  void PreviewHandsFree();
  void PreviewAutoRename();
  // Takes back the newest command of the history not yet undone, after asking.
  void UndoLastCommand();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QWidget* CreateBanner();
  QWidget* CreateMiddlePane();
  void ConnectParts();

  void ShowHintInStatus(const QString& line);
  void ShowAboutBox();
  void LoadSelectedFolder(const QString& path);
  void FollowSelection();
  void HandleFunctionKey(QKeyEvent* event, QWidget* receiver);
  void FitStatusBar();
  void FitMinimumSize();
  // The window's size and place and the panes' widths, as the user left them.
  void RestoreWindowState();
  void SaveWindowState() const;
  void OpenCurrentSong();
  void SelectRows(const std::vector<int>& rows);
  // The songs of the selected rows, in list order.
  std::vector<const TSongFile*> SelectedSongs() const;
  // A dry run of the planner over the selected songs, shown in the preview; true for "Apply". With
  // withSpellings, the preview notes the songs whose capitals Keep Known Spellings would keep.
  bool PreviewSelectedSongsPass(const QString& caption, const TSongPlanner& planner,
                                const std::function<TSongPlanner(const TKnownSpellings*)>& withSpellings = {});
  // The listed songs become the window's; the files that could not be read are kept for the report.
  void TakeListing(TListing listing);
  void ReportUnreadableSongs();
  // Says once per folder how many names an option that is off would recognise.
  void PointToNameOptions(const std::string& folder);
  TPanelValues TrimmedPanelValues();
  // While songs load or a command runs, the parts that start commands are disabled; the folder
  // pane stays free, so that another folder can be chosen. The control that had the keyboard has it
  // again afterwards, unless the user has put it elsewhere meanwhile.
  void SetCommandsEnabled(bool enabled);
  // Waits for ms milliseconds while the window keeps painting and answering.
  static void WaitPainting(int ms);

  TDialogs& dialogs_;
  THistory* history_ = nullptr;
  std::string historyMissing_;  // why commands cannot be recorded, when the history could not be opened
  TErrorGuard guard_;
  TSongList songs_;
  std::vector<std::string> unreadableSongs_;
  TPreferences preferences_;
  std::shared_ptr<const TKnownSpellings> spellings_;
  std::vector<std::string> foldersPointedToOptions_;  // told once each

  TFolderPane* folderPane_ = nullptr;
  TSongListPane* songListPane_ = nullptr;
  TSongDetailsPanel* detailsPanel_ = nullptr;
  TSortFilterPanel* sortFilterPanel_ = nullptr;
  TStatusPanels* statusBar_ = nullptr;
  THintRelay* hintRelay_ = nullptr;
  QSplitter* mainSplitter_ = nullptr;

  // A folder whose name the tree cannot spell, loaded by its bytes; empty while the tree's selection
  // counts.
  std::string unspelledFolder_;
  bool shownOnce_ = false;
  int busy_ = 0;  // loads and commands running, nested ones too
  bool commandsEnabled_ = true;
  QPointer<QWidget> focusBefore_;                  // the control that had the keyboard when commands were disabled
  QPointer<QWidget> focusDisplacedTo_;             // where Qt put the keyboard then
  std::uint64_t loadGeneration_ = 0;               // the newest load; an older one is abandoned
  std::shared_ptr<std::atomic<bool>> loadCancel_;  // set to abandon the load in progress
  std::function<void()> beforeEachSongRead_;
  bool splittersRestored_ = false;
  const QKeyEvent* keyEvent_ = nullptr;  // the key event seen last, and the widget it was seen at
  QObject* keyReceiver_ = nullptr;
};

}  // namespace tagwright
