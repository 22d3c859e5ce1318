// The song list pane's table ("Columns" view): made and wired beside the one-line list, the edits in
// its cells, and its remembered columns.
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QSettings>
#include <QStackedWidget>
#include <array>

#include "text/ascii_text.h"
#include "ui/flag_scope.h"
#include "ui/hints.h"
#include "ui/settings.h"
#include "ui/song_list/song_list_box.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/song_list/song_table_model.h"
#include "ui/song_list/song_table_view.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

QString TableLayoutKey() { return QStringLiteral("songTable/header"); }

// The columns' widths at first, in pixels, by TSongColumn.
constexpr std::array<int, kSongColumnCount> kColumnWidths = {100, 230, 150, 190, 80, 50, 150, 50, 90, 120, 70, 110, 70};

}  // namespace

void TSongListPane::CreateTable() {
  songTable_ = new TSongTableView;
  songTable_->setObjectName(QStringLiteral("songTable"));
  tableRows_ = new TSongTableModel(songs_, edits_, this);
  tableRows_->setObjectName(QStringLiteral("songTableRows"));
  songTable_->setModel(tableRows_);
  songTable_->CreateColumnMenu();
  for (int column = 0; column < kSongColumnCount; ++column) {
    songTable_->horizontalHeader()->resizeSection(column, kColumnWidths[static_cast<std::size_t>(column)]);
  }
  SetHint(songTable_, QStringLiteral("Song display window"));
  views_->addWidget(songTable_);
  RestoreTableLayout();
  tableRows_->SetEditCell([this](int row, TSongColumn column, const QString& text) { EditCell(row, column, text); });
}

void TSongListPane::ConnectTable() {
  connect(songTable_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &TSongListPane::ReportSelectionChange);
  connect(songTable_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          &TSongListPane::ReportSelectionChange);
  connect(songTable_, &TSongTableView::InputHandled, this, &TSongListPane::ReportInput);
  connect(songTable_, &QAbstractItemView::clicked, this, &TSongListPane::ReportClick);
  connect(songTable_, &TSongTableView::OpenDoubleClicked, this, &TSongListPane::OpenRequested);
  connect(songTable_, &TSongTableView::RevertRequested, this, &TSongListPane::RevertCurrentCell);
  connect(songTable_, &TSongTableView::LayoutChangedByUser, this, [this] {
    if (!restoringTable_) SaveTableLayout();
  });
}

void TSongListPane::SaveTableLayout() const {
  QSettings(SettingsOrganization(), SettingsApplication())
      .setValue(TableLayoutKey(), songTable_->horizontalHeader()->saveState());
}

void TSongListPane::RestoreTableLayout() {
  TFlagScope restoring(restoringTable_);
  const QByteArray layout =
      QSettings(SettingsOrganization(), SettingsApplication()).value(TableLayoutKey()).toByteArray();
  if (!layout.isEmpty()) songTable_->horizontalHeader()->restoreState(layout);
  songTable_->TickShownColumns();
}

// --- Edits ---

void TSongListPane::LayEditsOverSongs() {
  if (edits_.Empty()) return;
  for (std::size_t i = 0; i < songs_.Count(); ++i) edits_.LayOver(*songs_[i]);
}

std::vector<int> TSongListPane::EditedRows() const {
  std::vector<int> rows;
  for (int row = 0; row < RowCount(); ++row) {
    const TSongFile* song = SongAtRow(row);
    if (song != nullptr && edits_.For(song->FileName()) != nullptr) rows.push_back(row);
  }
  return rows;
}

std::vector<int> TSongListPane::RowsToEdit(int row) const {
  if (!IsRowSelected(row)) return {row};
  std::vector<int> rows;
  for (int selected = 0; selected < RowCount(); ++selected) {
    if (IsRowSelected(selected)) rows.push_back(selected);
  }
  return rows;
}

void TSongListPane::EditCell(int row, TSongColumn column, const QString& text) {
  const std::optional<TSongField> field = EditableSongField(column);
  if (!field) return;
  const std::vector<int> rows = RowsToEdit(row);
  const std::string typed = *field == TSongField::Genre ? ToStdString(text) : TrimText(ToStdString(text));
  for (int edited : rows) {
    TSongFile* song = SongAtRow(edited);
    // A cell left as it was is no edit: the song stays as it is.
    if (song != nullptr && (song->Field(*field) != typed || edits_.IsEdited(song->FileName(), *field))) {
      edits_.Edit(*song, *field, typed);
    }
  }
  tableRows_->RowsChanged(rows);
  Q_EMIT SongsEdited();
}

void TSongListPane::RevertCurrentCell() {
  const QModelIndex current = songTable_->currentIndex();
  if (!current.isValid()) return;
  const std::optional<TSongField> field = EditableSongField(static_cast<TSongColumn>(current.column()));
  if (!field) return;
  const std::vector<int> rows = RowsToEdit(current.row());
  bool reverted = false;
  for (int row : rows) {
    if (TSongFile* song = SongAtRow(row)) reverted = edits_.Revert(*song, *field) || reverted;
  }
  if (!reverted) return;
  tableRows_->RowsChanged(rows);
  Q_EMIT SongsEdited();
}

}  // namespace tagwright
