// The rows of the song table ("Columns" view): each row holds the index of its song in the window's
// song list, as the song list's rows do; the cells are made from the song, the details changed by
// hand and the audio facts read so far. Sorting by a column reorders the rows and keeps the selection
// on the same songs.
#pragma once

#include <QAbstractTableModel>
#include <QIcon>
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "songs/song_columns.h"
#include "songs/song_edits.h"
#include "songs/song_list.h"
#include "ui/song_list/song_state_icons.h"
#include "ui/workers/song_audio.h"

namespace tagwright {

class TSongTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  // Changes a cell of a row as the user typed it; the pane decides which songs it reaches.
  using TEditCell = std::function<void(int row, TSongColumn column, const QString& text)>;

  // The songs and the edits must outlive the model.
  TSongTableModel(const TSongList& songs, const TSongEdits& edits, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
  // Reorders the rows by a column; the selection stays on its songs.
  void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

  void SetEditCell(TEditCell editCell) { editCell_ = std::move(editCell); }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  // The index in the song list of the song behind a row; the row must exist.
  std::size_t SongIndex(int row) const { return rows_[static_cast<std::size_t>(row)]; }
  const TSongFile* SongAtRow(int row) const;
  // Replaces every row at once, sorted by the column sorted by last.
  void SetRows(std::vector<std::size_t> rows);
  void Clear() { SetRows({}); }
  // The cells of these rows changed (an edit, an edit taken back).
  void RowsChanged(const std::vector<int>& rows);

  // Audio facts read for songs, by path; the cells that show them are filled in.
  void TakeAudio(const std::vector<std::pair<std::string, TSongAudio>>& audio);
  // The facts read for a song's file; null while none are.
  const TSongAudio* AudioOf(const std::string& fileName) const;

  // The text a cell shows.
  QString CellText(const TSongFile& song, TSongColumn column) const;

 private:
  TColumnSortKey SortKey(std::size_t song, TSongColumn column) const;
  // A song's state, worked out once until the rows or the song change (it composes the song's name).
  TSongStatus StateOf(std::size_t song) const;
  void SortRows();

  const TSongList& songs_;
  const TSongEdits& edits_;
  std::vector<std::size_t> rows_;
  std::unordered_map<std::string, TSongAudio> audio_;
  TEditCell editCell_;
  int sortColumn_ = -1;  // none: the rows stay in the order given
  Qt::SortOrder sortOrder_ = Qt::AscendingOrder;
  std::array<QIcon, kSongStatusCount> stateIcons_;        // by TSongStatus
  std::array<QIcon, kSongStatusCount> lockedStateIcons_;  // ... with the lock of a song that cannot be written
  mutable std::vector<std::int8_t> states_;               // by song index; -1 while not worked out
};

}  // namespace tagwright
