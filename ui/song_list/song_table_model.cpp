#include "ui/song_list/song_table_model.h"

#include <QBrush>
#include <QFont>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

#include "files/paths.h"
#include "songs/song_status.h"
#include "songs/value_origin.h"
#include "ui/details/field_marks.h"
#include "ui/song_list/song_state_icons.h"
#include "ui/song_list/song_status_color.h"
#include "ui/song_list/song_status_hint.h"
#include "ui/text_contrast.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

const QColor kEditedCellColor(255, 244, 194);  // light yellow: changed, not yet stamped

bool IsNumberColumn(TSongColumn column) {
  return column == TSongColumn::Track || column == TSongColumn::Year || column == TSongColumn::Duration ||
         column == TSongColumn::Bitrate || column == TSongColumn::Size;
}

}  // namespace

TSongTableModel::TSongTableModel(const TSongList& songs, const TSongEdits& edits, QObject* parent)
    : QAbstractTableModel(parent), songs_(songs), edits_(edits) {
  for (std::size_t status = 0; status < kSongStatusCount; ++status) {
    stateIcons_[status] = SongStateIcon(static_cast<TSongStatus>(status), false);
    lockedStateIcons_[status] = SongStateIcon(static_cast<TSongStatus>(status), true);
  }
}

int TSongTableModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : RowCount(); }

int TSongTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kSongColumnCount; }

const TSongFile* TSongTableModel::SongAtRow(int row) const {
  if (row < 0 || row >= RowCount()) return nullptr;
  const std::size_t index = SongIndex(row);
  return index < songs_.Count() ? songs_[index] : nullptr;
}

const TSongAudio* TSongTableModel::AudioOf(const std::string& fileName) const {
  const auto found = audio_.find(fileName);
  return found == audio_.end() ? nullptr : &found->second;
}

TSongStatus TSongTableModel::StateOf(std::size_t song) const {
  if (song >= states_.size()) return SongStatusOf(*songs_[song]);
  if (states_[song] < 0) states_[song] = static_cast<std::int8_t>(SongStatusOf(*songs_[song]));
  return static_cast<TSongStatus>(states_[song]);
}

QString TSongTableModel::CellText(const TSongFile& song, TSongColumn column) const {
  const TSongAudio* audio = nullptr;
  switch (column) {
    case TSongColumn::State: return ToQString(SongStateWord(song));
    case TSongColumn::FileName: return PathToQString(std::string(FileNamePart(song.FileName())));
    case TSongColumn::Mix: return ToQString(song.Mix());
    case TSongColumn::Duration:
      audio = AudioOf(song.FileName());
      return audio && audio->Facts ? ToQString(DurationText(audio->Facts->DurationMs)) : QString();
    case TSongColumn::Bitrate:
      audio = AudioOf(song.FileName());
      return audio && audio->Facts ? ToQString(BitrateText(*audio->Facts)) : QString();
    case TSongColumn::Size:
      audio = AudioOf(song.FileName());
      return audio && audio->SizeBytes >= 0 ? ToQString(SizeText(audio->SizeBytes)) : QString();
    default: break;
  }
  const std::optional<TSongField> field = EditableSongField(column);
  return field ? ToQString(song.Field(*field)) : QString();
}

QVariant TSongTableModel::data(const QModelIndex& index, int role) const {
  const TSongFile* song = index.isValid() ? SongAtRow(index.row()) : nullptr;
  if (song == nullptr) return {};
  const auto column = static_cast<TSongColumn>(index.column());
  const std::optional<TSongField> field = EditableSongField(column);
  const bool edited = field && edits_.IsEdited(song->FileName(), *field);
  const bool state = column == TSongColumn::State;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return state ? ToQString(SongStateWord(StateOf(SongIndex(index.row())))) : CellText(*song, column);
    case Qt::DecorationRole:
      if (!state) return {};
      return (song->WritableWhenListed()
                  ? stateIcons_
                  : lockedStateIcons_)[static_cast<std::size_t>(StateOf(SongIndex(index.row())))];
    case Qt::ForegroundRole:
      // The state's colour, darker where it would be hard to read on the table's background.
      if (state)
        return QBrush(ReadableTextColor(SongStatusColor(StateOf(SongIndex(index.row()))),
                                        QGuiApplication::palette().color(QPalette::Base)));
      return {};
    case Qt::BackgroundRole:
      if (edited) return QBrush(kEditedCellColor);
      return field && ShownFromFileNameOnly(*song, *field) ? QVariant(QBrush(kFromFileNameShade)) : QVariant();
    case Qt::FontRole: {
      if (!edited) return {};
      QFont font;
      font.setItalic(true);
      return font;
    }
    case Qt::ToolTipRole:
      if (edited) return QStringLiteral("Changed, not stamped yet (F6 stamps, Escape takes it back)");
      if (field && ShownFromFileNameOnly(*song, *field)) return kFromFileNameHint;
      return column == TSongColumn::State ? SongStatusHint(*song) : QVariant();
    case Qt::TextAlignmentRole:
      return IsNumberColumn(column) ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    default: return {};
  }
}

QVariant TSongTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= kSongColumnCount) return {};
  if (role == Qt::DisplayRole) return ToQString(SongColumnCaption(static_cast<TSongColumn>(section)));
  return {};
}

Qt::ItemFlags TSongTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.isValid() && EditableSongField(static_cast<TSongColumn>(index.column()))) flags |= Qt::ItemIsEditable;
  return flags;
}

bool TSongTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || SongAtRow(index.row()) == nullptr || !editCell_) return false;
  const auto column = static_cast<TSongColumn>(index.column());
  if (!EditableSongField(column)) return false;
  editCell_(index.row(), column, value.toString());
  return true;
}

void TSongTableModel::RowsChanged(const std::vector<int>& rows) {
  for (int row : rows) {
    if (SongIndex(row) < states_.size()) states_[SongIndex(row)] = -1;
    Q_EMIT dataChanged(index(row, 0), index(row, kSongColumnCount - 1));
  }
}

TColumnSortKey TSongTableModel::SortKey(std::size_t songIndex, TSongColumn column) const {
  const TSongFile& song = *songs_[songIndex];
  const TSongAudio* audio = nullptr;
  switch (column) {
    case TSongColumn::State: return NumberSortKey(static_cast<double>(StateOf(songIndex)));
    case TSongColumn::Duration:
      audio = AudioOf(song.FileName());
      return NumberSortKey(audio && audio->Facts ? std::optional<double>(static_cast<double>(audio->Facts->DurationMs))
                                                 : std::nullopt);
    case TSongColumn::Bitrate:
      audio = AudioOf(song.FileName());
      return NumberSortKey(audio && audio->Facts ? std::optional<double>(audio->Facts->BitrateKbps) : std::nullopt);
    case TSongColumn::Size:
      audio = AudioOf(song.FileName());
      return NumberSortKey(audio && audio->SizeBytes >= 0 ? std::optional<double>(static_cast<double>(audio->SizeBytes))
                                                          : std::nullopt);
    default: return SongColumnSortKey(song, column);
  }
}

void TSongTableModel::SortRows() {
  if (sortColumn_ < 0 || sortColumn_ >= kSongColumnCount) return;
  const auto column = static_cast<TSongColumn>(sortColumn_);
  std::vector<TSortableRow> sortable;
  sortable.reserve(rows_.size());
  for (std::size_t song : rows_) {
    if (song >= songs_.Count()) continue;
    // The songs are listed by path in this view: a song's index is its place by path.
    sortable.push_back({song, SortKey(song, column), song});
  }
  SortRowsByKey(sortable, sortOrder_ == Qt::DescendingOrder);
  rows_.clear();
  for (const TSortableRow& row : sortable) rows_.push_back(row.Song);
}

void TSongTableModel::sort(int column, Qt::SortOrder order) {
  if (column < 0 || column >= kSongColumnCount) return;
  sortColumn_ = column;
  sortOrder_ = order;
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<std::size_t> songsBefore;
  songsBefore.reserve(static_cast<std::size_t>(before.size()));
  for (const QModelIndex& index : before) songsBefore.push_back(SongIndex(index.row()));
  SortRows();
  // Where each song went, so that the selection and the current cell follow their songs.
  std::unordered_map<std::size_t, int> rowOfSong;
  if (!before.isEmpty()) {
    for (int row = 0; row < RowCount(); ++row) rowOfSong.emplace(SongIndex(row), row);
  }
  QModelIndexList after;
  after.reserve(before.size());
  for (qsizetype i = 0; i < before.size(); ++i) {
    after.push_back(index(rowOfSong[songsBefore[static_cast<std::size_t>(i)]], before[i].column()));
  }
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TSongTableModel::SetRows(std::vector<std::size_t> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  states_.assign(songs_.Count(), -1);
  SortRows();
  endResetModel();
}

void TSongTableModel::TakeAudio(const std::vector<std::pair<std::string, TSongAudio>>& audio) {
  for (const auto& [fileName, facts] : audio) audio_[fileName] = facts;
  if (RowCount() > 0) {
    Q_EMIT dataChanged(index(0, static_cast<int>(TSongColumn::Duration)),
                       index(RowCount() - 1, static_cast<int>(TSongColumn::Size)));
  }
}

}  // namespace tagwright
