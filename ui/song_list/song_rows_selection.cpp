#include "ui/song_list/song_rows_selection.h"

#include <QItemSelectionModel>

namespace tagwright {

int CurrentRowOf(const QItemSelectionModel* selection) {
  const QModelIndex current = selection == nullptr ? QModelIndex() : selection->currentIndex();
  return current.isValid() ? current.row() : -1;
}

bool IsRowSelectedIn(const QItemSelectionModel* selection, int row) {
  return selection != nullptr && selection->isRowSelected(row, QModelIndex());
}

int SelectedRowCountOf(const QItemSelectionModel* selection) {
  return selection == nullptr ? 0 : static_cast<int>(selection->selectedRows().size());
}

void KeepNoCurrentRowMadeByFocus(QItemSelectionModel* selection, bool hadCurrent) {
  if (!hadCurrent && selection != nullptr && selection->currentIndex().isValid()) {
    selection->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
  }
}

}  // namespace tagwright
