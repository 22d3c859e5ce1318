// The song list pane's selection: setting it without reporting it, and reporting the user's
// changes of it once each, in whichever view shows the rows.
#include <QAbstractItemView>
#include <QItemSelectionModel>
#include <algorithm>

#include "ui/flag_scope.h"
#include "ui/song_list/song_list_box.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/song_list/song_table_view.h"

namespace tagwright {

bool TSongListPane::SelectSingleRow(int row) {
  if (row < 0 || row >= RowCount()) return false;
  TFlagScope quiet(quiet_);
  UnselectAllRows();
  QAbstractItemView* view = ActiveView();
  const QModelIndex index = view->model()->index(row, 0);
  view->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  view->scrollTo(index);
  reported_ = RowsShown();
  return true;
}

void TSongListPane::UnselectAllRows() {
  QItemSelectionModel* selection = ActiveView()->selectionModel();
  if (selection->hasSelection()) selection->clearSelection();
}

void TSongListPane::SelectRows(const std::vector<int>& rows) {
  QItemSelection selection;
  const QAbstractItemModel* model = ActiveView()->model();
  for (int row : rows) {
    const QModelIndex index = model->index(row, 0);
    selection.select(index, index);
  }
  ActiveView()->selectionModel()->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void TSongListPane::SetSelection(const std::vector<int>& rows, int current) {
  TFlagScope quiet(quiet_);
  UnselectAllRows();
  QAbstractItemView* view = ActiveView();
  QItemSelectionModel* model = view->selectionModel();
  if (current >= 0 && current < RowCount()) {
    const QModelIndex index = view->model()->index(current, 0);
    model->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
    view->scrollTo(index);
  } else {
    model->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
  QItemSelection selection;
  for (int row : rows) {
    const QModelIndex index = view->model()->index(row, 0);
    selection.select(index, index);
  }
  model->select(selection, QItemSelectionModel::Select | QItemSelectionModel::Rows);
  reported_ = RowsShown();
}

// A click on the current row shows its song afresh; one on a row the press could not move to (the
// user cancelled leaving the song being edited) is no news.
void TSongListPane::ReportClick(const QModelIndex& index) {
  if (index.row() == CurrentRow()) ReportSelection();
}

TSongListPane::TRowsShown TSongListPane::RowsShown() const {
  TRowsShown shown{{}, CurrentRow()};
  for (const QModelIndex& index : ActiveView()->selectionModel()->selectedIndexes()) {
    shown.Selected.push_back(index.row());
  }
  std::sort(shown.Selected.begin(), shown.Selected.end());
  shown.Selected.erase(std::unique(shown.Selected.begin(), shown.Selected.end()), shown.Selected.end());
  return shown;
}

// One click moves the current row and the selection, each reported by its own signal, and the
// window may put both back before the second comes (the user stayed on the song being edited):
// only a change from what was last reported or set is news.
void TSongListPane::ReportSelectionChange() {
  if (quiet_ || RowsShown() == reported_) return;
  ReportSelection();
}

void TSongListPane::ReportInput(bool showAfresh) {
  if (showAfresh) {
    ReportSelection();
  } else {
    ReportSelectionChange();
  }
}

// Only the user's changes are reported: a current row that the list sets by itself is none.
void TSongListPane::ReportSelection() {
  if (!quiet_ && !songList_->MovingCurrentByItself() && !songTable_->MovingCurrentByItself()) {
    reported_ = RowsShown();
    Q_EMIT SelectionChanged();
  }
}

void TSongListPane::FocusRows() { ActiveView()->setFocus(Qt::OtherFocusReason); }

}  // namespace tagwright
