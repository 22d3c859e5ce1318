// The rows of the song list: each row holds the index of its song in the window's song list; the text
// is made from the song when the row is shown.
#pragma once

#include <QAbstractListModel>
#include <cstddef>
#include <vector>

#include "songs/song_list.h"
#include "songs/song_view_mode.h"

namespace tagwright {

class TSongRowModel : public QAbstractListModel {
  Q_OBJECT
 public:
  TSongRowModel(const TSongList& songs, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

  int RowCount() const { return static_cast<int>(rows_.size()); }
  // The index in the song list of the song behind a row; the row must exist.
  std::size_t SongIndex(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  // Replaces every row at once.
  void SetRows(std::vector<std::size_t> rows, TViewMode viewMode);
  void Clear();

 private:
  const TSongList& songs_;
  std::vector<std::size_t> rows_;
  TViewMode viewMode_ = TViewMode::PathFileName;
};

}  // namespace tagwright
