// The song list: one row per song the chosen filter lets through, in the colour of the song's status,
// several rows selectable, and its pop-up menu. In the "Columns" view the same rows show as a table
// (ui/song_table_view.h) whose cells can be edited; the rows, the selection and the menu are the same
// in both, so that every command works alike. The songs belong to the window; the pane shows them
// and reports what the user asks of them.
#pragma once

#include <QWidget>
#include <cstddef>
#include <functional>
#include <vector>

#include "commands/song_plans.h"
#include "songs/song_columns.h"
#include "songs/song_edits.h"
#include "songs/song_list.h"
#include "songs/song_view_mode.h"

class QAbstractItemView;
class QStackedWidget;
class QAction;
class QKeyEvent;
class QModelIndex;
class QMenu;
class QPainter;
class QStyleOptionViewItem;

namespace tagwright {

class TSongListBox;
class TSongRowModel;
class TSongTableModel;
class TSongTableView;

class TSongListPane : public QWidget {
  Q_OBJECT
 public:
  // The songs must outlive the pane.
  explicit TSongListPane(const TSongList& songs, QWidget* parent = nullptr);

  // Replaces every row at once: each holds the index of its song. The selection goes, unreported.
  void ShowRows(std::vector<std::size_t> rows, TViewMode viewMode);
  // Removes every row, unreported; to be done before the songs behind them go.
  void ClearRows();

  // --- Details changed by hand in the table, not stamped yet ---
  const TSongEdits& Edits() const { return edits_; }
  TSongEdits& Edits() { return edits_; }
  // Sets the changed details again on the songs, after they were listed afresh from their files.
  void LayEditsOverSongs();
  // The rows whose songs have details not stamped yet, in row order.
  std::vector<int> EditedRows() const;
  // Edits a cell as typed: on every selected row when the cell's row is selected, else on its row.
  void EditCell(int row, TSongColumn column, const QString& text);
  // Takes back the edit of the current cell's column on the selected rows (or the current one).
  void RevertCurrentCell();
  // The table's rows (and the audio facts it shows).
  TSongTableModel* TableRows() const { return tableRows_; }

  int RowCount() const;
  // The row holding the keyboard caret, or -1.
  int CurrentRow() const;
  int SelectedRowCount() const;
  bool IsRowSelected(int row) const;
  // The song behind a row; nullptr for a row that does not exist.
  TSongFile* SongAtRow(int row) const;

  // Makes a row the current and only selected one and scrolls to it, unreported; false when there is
  // no such row (nothing changes then).
  bool SelectSingleRow(int row);
  void UnselectAllRows();
  // Adds rows to the selection, reported as a change of the selection.
  void SelectRows(const std::vector<int>& rows);
  // Makes exactly these rows selected and current the current one (none: -1), unreported.
  void SetSelection(const std::vector<int>& rows, int current);

  // The tick of the menu's "Include Subdirectories" entry.
  bool IncludeSubfolders() const;
  void SetIncludeSubfolders(bool include);
  // The tick of "Accented Letters in Names", set without reporting it.
  void SetAccentedLetters(bool on);
  // The tick of "Preview Before Changing Several Songs", set without reporting it.
  void SetPreviewBeforeChanging(bool on);
  // Gives the keyboard to the rows shown.
  void FocusRows();
  // What the list says while it has no rows.
  void SetEmptyText(const QString& text);

  // Tells whether there is a command to undo, for the menu's last entry.
  void SetUndoAvailable(std::function<bool()> available);
  // The same for "Redo Last Undo (Ctrl+Shift+Z)".
  void SetRedoAvailable(std::function<bool()> available);

  // Enables the menu's entries by the selection, as when the menu opens.
  void PrepareMenu();
  // True for the key of the "Play" entry pressed in the list: it belongs to the entry, also while
  // that is disabled.
  bool IsPlayKeyInList(const QWidget* receiver, const QKeyEvent* event) const;

 Q_SIGNALS:
  // The user changed the selection or the current row, or typed in the list.
  void SelectionChanged();
  // A row, or the list below its last row, was double-clicked.
  void OpenRequested();
  // The pop-up menu's entries.
  void PlayRequested();
  void StampRequested();
  void ClearRequested(TTagField field);
  void RenameRequested();
  void DeleteRequested();
  void TagsFromNameRequested();
  void RenameWithPatternRequested();
  void NumberTracksRequested();
  void SelectArtistRequested();
  void SelectAllRequested();
  // The entry's tick has already flipped when this is sent.
  void IncludeSubfoldersToggled();
  // The tick of "Accented Letters in Names" has flipped.
  void AccentedLettersToggled(bool on);
  // "Preferences..." was chosen.
  void PreferencesRequested();
  void RefreshRequested();
  void PreviewHandsFreeRequested();
  void PreviewAutoRenameRequested();
  // The tick of "Preview Before Changing Several Songs" has flipped.
  void PreviewBeforeChangingToggled(bool on);
  // "Undo Last Command (Ctrl+Z)", chosen or its key pressed in the window.
  void UndoRequested();
  // Details of songs were changed or taken back in the table.
  void SongsEdited();
  // "Redo Last Undo (Ctrl+Shift+Z)", chosen or its keys (Ctrl+Shift+Z, Ctrl+Y) pressed in the window.
  void RedoRequested();
  // "History...".
  void HistoryRequested();

 private:
  void CreateMenu();
  // The commands that ask for a pattern or a numbering first.
  void CreatePatternEntries();
  void CreateUndoEntry();
  void DrawRow(QPainter* painter, const QStyleOptionViewItem& option, int row);
  // Reports a change of the selection or the current row; ReportSelection reports it also when
  // nothing changed (a click on the current row, a key typed in the list).
  void ReportSelectionChange();
  void ReportSelection();
  void ReportInput(bool showAfresh);
  void ReportClick(const QModelIndex& index);
  struct TRowsShown {
    std::vector<int> Selected;
    int Current = -1;
    bool operator==(const TRowsShown&) const = default;
  };
  TRowsShown RowsShown() const;
  void CreateTable();
  void ConnectTable();
  bool ShowsTable() const { return viewMode_ == TViewMode::Columns; }
  QAbstractItemView* ActiveView() const;
  // The rows an edit of a cell in row reaches.
  std::vector<int> RowsToEdit(int row) const;
  // Remembers the table's columns: their order, widths, which are hidden, and the sort.
  void SaveTableLayout() const;
  void RestoreTableLayout();

  const TSongList& songs_;
  TSongListBox* songList_ = nullptr;
  TSongRowModel* rows_ = nullptr;
  QStackedWidget* views_ = nullptr;
  TSongTableView* songTable_ = nullptr;
  TSongTableModel* tableRows_ = nullptr;
  TSongEdits edits_;
  bool restoringTable_ = false;
  TViewMode viewMode_ = TViewMode::PathFileName;
  bool quiet_ = false;   // the rows or the selection are being rebuilt: nothing is reported
  TRowsShown reported_;  // the selection last reported, or set without reporting it

  QMenu* menu_ = nullptr;
  QAction* undoEntry_ = nullptr;
  QAction* redoEntry_ = nullptr;
  QAction* historyEntry_ = nullptr;
  std::function<bool()> undoAvailable_;
  std::function<bool()> redoAvailable_;
  QAction* playEntry_ = nullptr;
  QAction* stampEntry_ = nullptr;
  QMenu* clearMenu_ = nullptr;
  QAction* renameEntry_ = nullptr;
  QAction* deleteEntry_ = nullptr;
  QAction* tagsFromNameEntry_ = nullptr;
  QAction* renameWithPatternEntry_ = nullptr;
  QAction* numberTracksEntry_ = nullptr;
  QAction* selectArtistEntry_ = nullptr;
  QAction* selectAllEntry_ = nullptr;
  QAction* includeSubfoldersEntry_ = nullptr;  // checkable: choosing it flips the tick by itself
  QAction* refreshEntry_ = nullptr;
  QAction* accentedLettersEntry_ = nullptr;
  QAction* preferencesEntry_ = nullptr;
  QAction* previewHandsFreeEntry_ = nullptr;
  QAction* previewAutoRenameEntry_ = nullptr;
  QAction* previewBeforeChangingEntry_ = nullptr;
};

}  // namespace tagwright
