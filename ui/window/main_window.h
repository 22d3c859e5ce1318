// The main window: the banner on top; the folder pane on the left; the song list above the song
// details panel in the middle; the filters, the save buttons and the view modes on the right; the
// status bar below. The window holds the songs of the selected folder, puts its parts together and
// wires them; reading a folder (TSongFolderLoader) and running a command (TCommandRunner) are classes
// of their own, and what is remembered between runs is in window_settings.
//
// main_window.cpp: the frame, the key map and the sizes; main_window_songs.cpp: loading, rows and
// the details panel; main_window_selection.cpp: the selection kept across rebuilt rows and the
// question about what was typed; main_window_folders.cpp: Open Folder, recent and dropped folders;
// main_window_commands.cpp: the commands; main_window_passes.cpp: a command's pass and its
// preview; main_window_patterns.cpp: the commands that ask for a pattern or a numbering;
// main_window_edits.cpp: the edits in the song table; main_window_undo.cpp: undo, redo, History.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commands/command_catalogue.h"
#include "commands/song_pass.h"
#include "commands/song_plans.h"
#include "songs/song_filter.h"
#include "songs/song_list.h"
#include "songs/song_rows.h"
#include "songs/song_view_mode.h"
#include "ui/window/error_guard.h"
#include "ui/window/pass_summary.h"
#include "ui/window/preferences.h"
#include "ui/window/remembered_selection.h"
#include "ui/window/window_settings.h"
#include "ui/workers/command_runner.h"

class QMenu;
class QMimeData;
class QSplitter;

namespace tagwright {

class THistory;
struct THistoryEntry;
struct TUndoReport;
enum class TCoverChoice : std::uint8_t;
class TDialogs;
class TFolderPane;
class THintRelay;
class TSongDetailsPanel;
class TSongFolderLoader;
class TSongListPane;
class TSongMediaPanel;
class TSortFilterPanel;
class TStatusPanels;
struct TFolderListing;

class TMainWindow : public QMainWindow {
  Q_OBJECT
 public:
  // The dialogs are the window's way to message boxes, the input dialog and opening files; they
  // must outlive the window.
  explicit TMainWindow(TDialogs& dialogs, QWidget* parent = nullptr);
  ~TMainWindow() override;

  // The history that records the commands' changes, so that they can be undone; none records
  // nothing. It must outlive the window.
  void UseHistory(THistory* history) { runner_->UseHistory(history); }
  // The history that should record the commands could not be opened: commands that change files
  // then change nothing and show why.
  void RefuseChangesWithoutHistory(std::string reason) { runner_->RefuseChangesWithoutHistory(std::move(reason)); }

  // --- Status bar ---
  // Puts a text into the message panel and paints it at once, also while the window is busy.
  void SetStatusText(const QString& text);

  // --- Songs ---
  // Starts rebuilding the song list and its rows from the song files of a folder (and its
  // subfolders when "Include Subdirectories" is ticked) and returns at once. The songs are read on
  // a worker while the window keeps painting and shows "Reading songs: n / N"; SongsLoaded follows
  // when the rows are there. Choosing another folder meanwhile abandons this load, and the list
  // then shows the other folder only. An empty path is no folder: the list is emptied.
  void LoadSongFolder(const std::string& folder);
  // Whether a load started by LoadSongFolder is still running.
  bool IsLoading() const;
  const TSongList& Songs() const { return songs_; }
  const std::vector<std::string>& UnreadableSongs() const { return unreadableSongs_; }

  // --- Rows and selection ---
  int RowCount() const;
  int CurrentRow() const;
  int SelectedSongCount() const;
  // The song behind a row; nullptr for a row that does not exist.
  TSongFile* SongAtRow(int row) const;
  // Makes a row the current and only selected one and shows its details; a row that does not exist
  // changes nothing.
  void SelectSingleRow(int row);

  // --- Folders ---
  // The folder selected in the folder tree as the file system spells it; empty when none is.
  std::string SelectedFolder() const;
  // Selects a folder in the folder tree, which loads it; false when it is no folder.
  bool SelectFolder(const QString& path);
  // Open Folder..., Open Recent and a dropped folder (main_window_folders.cpp): selects the folder
  // in the tree, which loads it; false when it is no folder.
  bool OpenFolder(const QString& path);
  // The folder to start on, as the file system spells it (from the command line): selected in the
  // tree like SelectFolder, also when its name is no valid UTF-8 and the tree cannot spell it; the
  // songs are then found by the name's own bytes, until another folder is selected. False when it
  // is no folder.
  bool OpenStartFolder(const std::string& folder);

  // Runs work; an error that escapes it is shown in an error box with its text, and the window
  // carries on. Every handler that loads songs or runs a command goes through here.
  void RunGuarded(const std::function<void()>& work) const { guard_.Run(work); }

  // Whether a pass started by RunSelectedSongsPass has not ended yet.
  bool IsRunningCommand() const { return passRunning_; }
  // Stops the pass running after the song it writes; the songs done are its history entry.
  void CancelCommand();
  // What tests and benchmarks hold the window up with, each unset at first.
  struct TSeams {
    // On the reading threads before each song of a load (read as each load starts).
    std::function<void()> BeforeEachSongRead;
    // On the worker before each song of a pass.
    std::function<void(std::size_t done)> BeforeEachPassSong;
    // How the pause that keeps a pass's message readable before the reload passes: given its
    // length and the reload to run once it is over. Unset, the window waits on a timer.
    std::function<void(int milliseconds, std::function<void()> reload)> ReloadPause;
  };
  TSeams& Seams() { return seams_; }

  // --- Preferences and edits not stamped ---
  const TPreferences& Preferences() const { return preferences_; }
  // The known spellings clean-up keeps; null with Keep Known Spellings off.
  const TKnownSpellings* KnownSpellings() const { return spellings_.get(); }
  // "Preview Before Changing Several Songs": remembered.
  void UsePreviewBeforeChanging(bool on);
  // --- Details changed by hand in the song table (main_window_edits.cpp) ---
  bool HasUnstampedEdits() const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Details typed and not stamped are settled first; Cancel keeps the window open.
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 Q_SIGNALS:
  // A folder's songs are listed and their rows shown (after LoadSongFolder or a reload).
  void SongsLoaded();

 private:
  // --- Songs, the panel and the commands, reached through the parts' controls ---
  TViewMode ViewMode() const;
  TRecognitionFilter RecognitionFilter() const;
  void UnselectAllRows();
  // The first folder among things dropped onto the window is opened; false when there is none.
  bool OpenDroppedFolder(const QMimeData* data);

  // The progress of the load or command running, beside the panels; empty when none runs.
  QString ProgressText() const;
  // Whether the history holds a command that is not undone (for Ctrl+Z), or an undo to redo; a
  // failure when it cannot be read.
  TResultOf<bool> CanUndo() const;
  TResultOf<bool> CanRedo() const;
  // Sorts by the view mode, fills the rows the chosen filter lets through, enables the filters that
  // would show something, and shows the count.
  void RefreshSongList();
  void OpenFolderDialog();
  // --- Song details panel ---
  void ShowSongDetails();
  void PreviousSong();
  void NextSong();
  void ShowError(const std::exception& error) const { guard_.ShowError(error); }
  void ShowErrorText(const std::string& text) const { guard_.ShowErrorText(text); }
  // --- Commands (main_window_commands.cpp, main_window_passes.cpp) ---
  // The frame of every command on the selected songs: runs the song pass over the selected rows in
  // list order, asks (or skips, as the request's Unwritable says) when a file cannot be written,
  // hands each result to OnResult, ends the pass at a file that could not be read or written, and
  // always reloads the folder and selects the same songs; the message panel then sums the pass up
  // in one line headed by the command's name, and an error box names the file that ended it. A
  // pass over several songs runs on a worker and this returns at once, with an empty summary: the
  // progress bar shows "COMMAND: n / N" with a Cancel button beside it, and neither another
  // command nor another folder can start until it has ended. One song runs at once, returning its result.
  TPassSummary RunSelectedSongsPass(const TPassRequest& request);

  // The buttons and the song list's pop-up menu entries.
  void StampWithDetails();
  void StampRecognized();
  void AutoRename();
  void RenameWithDetails();
  void RenameThisFile();
  // "Tags from File Names...", "Rename with Pattern...", "Number Tracks..." (main_window_patterns.cpp).
  void TagsFromFileNames();
  void RenameWithPattern();
  void NumberTracks();
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
  // Show what "Hands-Free!" or "AutoRename Files" would do to the selected songs, writing nothing;
  // "Apply" then runs the command on them.
  void PreviewHandsFree();
  void PreviewAutoRename();
  // Takes back the newest command of the history not yet undone, after asking (main_window_undo.cpp).
  // The cover box's menu and a picture dropped on it (main_window_covers.cpp).
  void ChangeCover(TCoverChoice choice);
  void TakeDroppedPicture(const QString& path);
  void SaveCurrentCover();
  void UndoLastCommand();
  // Takes back the newest undo not yet redone, while no command has changed files since; after asking.
  void RedoLastUndo();
  // "History...": the entries, with Undo and Redo for the one selected.
  void ShowHistory();

  // Writes exactly the changed fields of the changed songs (F6 and "Stamp" while there are such),
  // after a preview when there are several.
  void StampEditedSongs();

  TRememberedSelection RememberSelection() const;
  // Selects the remembered songs that have rows, following the renames among results, and shows
  // them in the panel; the panel keeps what was typed for the songs it still shows. When none of
  // them is shown (a filter hides them) the panel stays as it is, and the songs are selected again
  // once they are shown.
  void RestoreSelection(TRememberedSelection selection, const std::vector<TSongResult>& results = {});
  // Stamp from the panel over the selected songs; a stamp that did not happen keeps what was typed.
  TPassSummary StampSelectedWithPanel();
  int RowOfFile(const std::string& file) const;
  // Before the panel leaves the song or songs whose fields were typed into and not stamped, asks
  // whether to stamp or discard them; false when the user stays on them (Cancel, or a stamp that failed).
  // A stamp of several songs runs on a worker: false at once, and goOn follows once the stamp held.
  bool SettleTypedDetails(const std::function<void()>& goOn = {});
  bool StampShownSongs(const TRememberedSelection& shown, const std::function<void(const TPassRun&)>& ended);
  // A command needs selected songs: false, and a word in the message panel, when none is selected.
  bool HasSelectedSongsOrSay();

  QWidget* CreateBanner();
  void CreateFolderActions(QWidget* banner);
  void FillRecentMenu();
  QWidget* CreateMiddlePane();
  void ConnectParts();

  void ShowHintInStatus(const QString& line);
  void ShowAboutBox();
  void LoadSelectedFolder(const QString& path);
  void FollowSelection();
  void HandleFunctionKey(QKeyEvent* event, QWidget* receiver);
  void FitStatusBar();
  void FitMinimumSize();
  // The window's size and place and the panes' widths, as the user left them, and the Preferences.
  void RestoreWindowState();
  void SaveWindowState() const;
  QSplitter* FolderSplitter() const;
  void OpenCurrentSong();
  void SelectRows(const std::vector<int>& rows);
  // Undo and redo (main_window_undo.cpp): the newest entry the rules allow, or the one given, after
  // asking; the files left alone are named; the folder is read again with the same songs selected.
  friend class TWindowHistoryActions;
  void UndoRedoNewest(TEntryKind kind);
  void UndoRedoAsked(const THistoryEntry& entry, TEntryKind kind);
  void EndUndoRedo(const TUndoRedoEnd& end, const TUndoRedoRun& run);
  void ReportLeftAlone(const TUndoReport& report, TEntryKind kind);
  // The songs of the selected rows, in list order.
  std::vector<const TSongFile*> SelectedSongs() const;
  // Songs a command was asked for, in list order, and the selection to restore after it.
  struct TSongsInHand {
    std::vector<const TSongFile*> Songs;
    TRememberedSelection Selection;
    std::function<void(const TPassRun& run)> Ended;  // after the pass's reload, on this thread
  };
  using TApplyPreviewed = std::function<void(const TSongsInHand& songs)>;
  using TPlannerWithSpellings = std::function<TSongPlanner(const TKnownSpellings*)>;
  // A dry run of the planner over the selected songs, shown in the preview; "Apply" hands apply
  // exactly the songs shown. Over several songs the dry run goes on a worker as a pass does, with
  // progress and Cancel, and this returns at once; Cancel shows nothing. With withSpellings, the
  // preview notes the songs whose capitals Keep Known Spellings would keep; a note given goes first.
  void PreviewSelectedSongsPass(const QString& caption, const TSongPlanner& planner,
                                const TPlannerWithSpellings& withSpellings, const TApplyPreviewed& apply,
                                const QString& note = {});
  void ShowPreview(const QString& caption, const TSongsInHand& songs,
                   const std::vector<std::vector<TSongResult>>& results, const TApplyPreviewed& apply,
                   const QString& given = {});
  // The listed songs become the window's; the files that could not be read are kept for the report.
  void TakeRows(TSongRows rows);
  // Load: the rows go and the commands wait; loaded: a load's result becomes the list.
  void BeginLoad();
  void TakeLoadedFolder(TFolderListing& loaded);
  void ShowLoadProgress(std::size_t done, std::size_t total);
  // Reads the folder shown again at once, after a command changed its files.
  void ReloadSongFolderNow();
  void ReportUnreadableSongs();
  // Before the folder is left: asks whether the songs changed in the table are stamped first, and
  // does so. True when they were stamped (which loads the folder now selected).
  bool AskAboutUnstampedEdits();
  // Says once per folder how many names an option that is off would recognise.
  void PointToNameOptions(const std::string& folder);
  TPanelValues TrimmedPanelValues();
  // A year typed that a tag cannot hold is refused, and said; one the songs hold already is kept.
  bool RefusesYear(const std::string& year, const std::vector<int>& rows) const;
  // Runs a command of the catalogue over the selected songs. Its preview comes first when asked
  // for, or for a batch while "Preview Before Changing Several Songs" is on; Close then changes
  // nothing, and Apply runs the command on the songs shown. Its input: gathered, else CommandInput().
  enum class TPreview : bool { AsPreferred, Asked };
  TPassSummary RunCatalogueCommand(TCommandId id, TPreview preview = TPreview::AsPreferred,
                                   const TCommandInput* gathered = nullptr);
  void RunPatternCommand(TCommandId id);  // asks for the pattern, then runs the command with it
  // What every command's plan may go by from the window: the Preferences' clean-up.
  TCommandInput CommandInput() const;
  // The request to run the catalogue's command with the input gathered.
  static TPassRequest RequestFor(const TCatalogueCommand& command, const TCommandInput& input);
  // The command's preview over the selected songs (see PreviewSelectedSongsPass); its Apply runs
  // request over the songs it showed.
  void PreviewCommand(const TCatalogueCommand& command, const TCommandInput& input, const TPassRequest& request,
                      const QString& note = {});
  // While songs load or a command runs, the parts that start commands are disabled; the folder
  // pane stays free, so that another folder can be chosen. The control that had the keyboard has it
  // again afterwards, unless the user has put it elsewhere meanwhile.
  void SetCommandsEnabled(bool enabled);
  // The end of a pass, on the window's thread: the reload, after a pause when a message of the
  // pass should stay readable, and the summary line.
  struct TPassEnd {
    TRememberedSelection Selection;
    QString Command;
    TPassCount Count = TPassCount::SongsTagged;
    std::function<void(const TPassRun& run)> Ended;
  };
  // RunSelectedSongsPass over songs in hand, whatever is selected now.
  TPassSummary RunSongsPass(const TSongsInHand& songs, const TPassRequest& request);
  void AfterPass(const TPassEnd& end, TPassRun& run);
  void EndPass(const TPassEnd& end, const TPassRun& run);
  void SetPassRunning(bool running);

  TDialogs& dialogs_;
  TErrorGuard guard_;
  TSeams seams_;                            // before the workers that call them
  std::unique_ptr<TCommandRunner> runner_;  // made with the status bar
  TSongFolderLoader* loader_ = nullptr;
  TSongList songs_;
  std::vector<std::string> unreadableSongs_;
  TPreferences preferences_;
  std::shared_ptr<const TKnownSpellings> spellings_;
  std::vector<std::string> foldersPointedToOptions_;  // told once each

  TFolderPane* folderPane_ = nullptr;
  TSongListPane* songListPane_ = nullptr;
  TSongDetailsPanel* detailsPanel_ = nullptr;
  TSongMediaPanel* mediaPanel_ = nullptr;  // the cover and audio facts beside the details
  TSortFilterPanel* sortFilterPanel_ = nullptr;
  TStatusPanels* statusBar_ = nullptr;
  THintRelay* hintRelay_ = nullptr;
  QSplitter* mainSplitter_ = nullptr;

  // A folder whose name the tree cannot spell, loaded by its bytes; empty while the tree's selection
  // counts.
  std::string unspelledFolder_;
  bool shownOnce_ = false;
  int busy_ = 0;  // commands running, nested ones too, and the load in progress
  bool loading_ = false;
  bool passRunning_ = false;        // a pass runs on a worker, or its end waits
  bool closeAfterPass_ = false;     // the window was closed while a pass ran
  bool pauseBeforeReload_ = false;  // a message of the pass stays readable a while
  std::string shownFolder_;         // the folder whose songs are listed
  // What is selected again after the reload in progress, and the renames to follow.
  std::optional<TRememberedSelection> reloadSelection_;
  // The songs being edited while a filter hides them: selected again when they are shown.
  std::optional<TRememberedSelection> hiddenSelection_;
  TRememberedSelection shownSelection_;  // the songs the details panel shows
  std::vector<TSongResult> reloadResults_;
  bool settling_ = false;           // the question about typed details is open
  bool returningToFolder_ = false;  // the tree goes back to the folder shown, after Cancel
  bool previewBeforeChanging_ = true;
  QMenu* recentMenu_ = nullptr;
  bool commandsEnabled_ = true;
  QPointer<QWidget> focusBefore_;       // the control that had the keyboard when commands were disabled
  QPointer<QWidget> focusDisplacedTo_;  // where Qt put the keyboard then
  bool splittersRestored_ = false;
  const QKeyEvent* keyEvent_ = nullptr;  // the key event seen last, and the widget it was seen at
  QObject* keyReceiver_ = nullptr;
};

}  // namespace tagwright
