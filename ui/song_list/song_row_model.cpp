#include "ui/song_list/song_row_model.h"

#include "ui/song_list/song_status_hint.h"
#include "ui/text_conversion.h"

namespace tagwright {

TSongRowModel::TSongRowModel(const TSongList& songs, QObject* parent) : QAbstractListModel(parent), songs_(songs) {}

int TSongRowModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant TSongRowModel::data(const QModelIndex& index, int role) const {
  if ((role != Qt::DisplayRole && role != Qt::ToolTipRole) || !index.isValid() || index.row() >= RowCount()) return {};
  const std::size_t song = SongIndex(index.row());
  if (song >= songs_.Count()) return {};
  // The row's hint names the state its colour shows.
  if (role == Qt::ToolTipRole) return SongStatusHint(*songs_[song]);
  return ToQString(SongRowText(*songs_[song], viewMode_));
}

void TSongRowModel::SetRows(std::vector<std::size_t> rows, TViewMode viewMode) {
  beginResetModel();
  rows_ = std::move(rows);
  viewMode_ = viewMode;
  endResetModel();
}

void TSongRowModel::Clear() { SetRows({}, viewMode_); }

}  // namespace tagwright
