// The song list: loading a folder's songs, sorting, filtering and drawing the rows, and the selection
// helpers the commands use.
#include <QButtonGroup>
#include <QPainter>
#include <QRadioButton>
#include <QStyleOptionViewItem>
#include <algorithm>
#include <memory>

#include "files/folder_scan.h"
#include "ui/dialogs.h"
#include "ui/main_window.h"
#include "ui/song_filter.h"
#include "ui/song_list_box.h"
#include "ui/song_row_model.h"
#include "ui/song_status.h"
#include "ui/song_view_mode.h"
#include "ui/status_panels.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

const QColor kSkyBlue(166, 202, 240);
constexpr std::size_t kUnreadableNamesShown = 10;

// Sets a flag back when the scope ends, also when an error passes.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag), old_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = old_; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
  bool old_;
};

}  // namespace

int TfrmRo3VavMain::ViewMode() const { return std::max(0, viewButtons->checkedId()); }

int TfrmRo3VavMain::RecognitionFilter() const { return std::max(0, filterButtons->checkedId()); }

int TfrmRo3VavMain::CurrentRow() const { return lstFiles->CurrentRow(); }

int TfrmRo3VavMain::RowCount() const { return lstFiles->RowCount(); }

void TfrmRo3VavMain::LoadSongFolder(const std::string& folder) {
  {
    TFlagScope filling(filling_);
    rows_->Clear();
  }
  const bool includeSubfolders = popchkIncludeSubdirectories->isChecked();
  SetStatusText(QStringLiteral("Updating file list..."));
  try {
    std::vector<std::string> files;
    // No folder selected means no songs: an empty path would otherwise stand for "/".
    if (!folder.empty()) ScanFolder("*.*", folder, files, includeSubfolders, SongFileExtensions());
    LoadSongs(files);
    RefreshSongList();
  } catch (...) {
    SetStatusText(QString());
    throw;
  }
  SetStatusText(QString());
  ReportUnreadableSongs();
}

void TfrmRo3VavMain::LoadSongs(const std::vector<std::string>& files) {
  {
    TFlagScope filling(filling_);
    rows_->Clear();
  }
  songs_.Clear();
  unreadableSongs_.clear();
  for (const std::string& file : files) {
    auto song = std::make_unique<TSongFile>();
    if (TResult bound = song->SetFileName(file); !bound) {
      // One file that cannot be read does not hide the folder's other songs.
      unreadableSongs_.push_back(bound.Describe());
      continue;
    }
    songs_.Add(std::move(song));
  }
}

void TfrmRo3VavMain::ReportUnreadableSongs() {
  if (unreadableSongs_.empty()) return;
  QStringList lines;
  for (std::size_t i = 0; i < unreadableSongs_.size() && i < kUnreadableNamesShown; ++i) {
    lines << ToQString(unreadableSongs_[i]);
  }
  if (unreadableSongs_.size() > kUnreadableNamesShown) {
    lines << QStringLiteral("... and %1 more").arg(unreadableSongs_.size() - kUnreadableNamesShown);
  }
  dialogs_.MessageDlg(TMsgDlgType::mtError, QStringLiteral("Tagwright"), lines.join(QLatin1Char('\n')), mbOK);
}

void TfrmRo3VavMain::RefreshSongList() {
  TFlagScope filling(filling_);
  const int viewMode = ViewMode();
  const int filter = RecognitionFilter();
  songs_.SortBy(ViewModeSortOrder(viewMode));
  rows_->Clear();
  TFilterMask present = 1U << fbUnfiltered;
  std::vector<std::size_t> rows;
  rows.reserve(songs_.Count());
  for (std::size_t i = 0; i < songs_.Count(); ++i) {
    const TFilterMask mask = SongFilterMask(*songs_[i]);
    present = static_cast<TFilterMask>(present | mask);
    if (MaskHasFilter(mask, filter)) rows.push_back(i);
  }
  rows_->SetRows(std::move(rows), viewMode);
  // A chosen filter that lists nothing any more is disabled but stays chosen.
  for (QAbstractButton* button : filterButtons->buttons()) {
    button->setEnabled(MaskHasFilter(present, filterButtons->id(button)));
  }
  StatusBar1->SetPanelText(1, QStringLiteral("%1 files").arg(rows_->RowCount()));
}

int TfrmRo3VavMain::SelectedSongCount() const { return lstFiles->SelectedRowCount(); }

TSongFile* TfrmRo3VavMain::SongAtRow(int row) const {
  if (row < 0 || row >= rows_->RowCount()) return nullptr;
  const std::size_t index = rows_->SongIndex(row);
  return index < songs_.Count() ? songs_[index] : nullptr;
}

void TfrmRo3VavMain::SelectSingleRow(TSongListBox* listBox, int row) {
  if (row < 0 || row >= listBox->RowCount()) return;
  {
    TFlagScope filling(filling_);
    UnselectAllRows(listBox);
    const QModelIndex index = listBox->model()->index(row, 0);
    listBox->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    listBox->scrollTo(index);
  }
  ShowSongDetails();
}

void TfrmRo3VavMain::UnselectAllRows(TSongListBox* listBox) {
  if (listBox->selectionModel()->hasSelection()) listBox->selectionModel()->clearSelection();
}

QColor TfrmRo3VavMain::SongStatusColor(const TSongFile& song) const {
  const TRgb rgb = SongStatusRgb(SongStatusOf(song));
  return QColor(rgb.Red, rgb.Green, rgb.Blue);
}

void TfrmRo3VavMain::lstFilesDrawItem(QPainter* painter, const QStyleOptionViewItem& option, int row) {
  const bool selected = option.state.testFlag(QStyle::State_Selected);
  const QPalette::ColorGroup group = option.state.testFlag(QStyle::State_Active) ? QPalette::Active
                                                                                  : QPalette::Inactive;
  painter->save();
  painter->fillRect(option.rect, selected ? option.palette.brush(group, QPalette::Highlight)
                                          : option.palette.brush(group, QPalette::Base));
  QRect text = option.rect;
  if (option.direction == Qt::RightToLeft) {
    text.setRight(text.right() - 2);
  } else {
    text.setLeft(text.left() + 2);
  }
  const TSongFile* song = SongAtRow(row);
  if (song != nullptr) {
    painter->setPen(SongStatusColor(*song));
    if (selected) {
      painter->save();
      painter->setPen(QPen(Qt::black, 1));
      painter->setBrush(kSkyBlue);
      painter->drawRect(text.adjusted(0, 0, -1, -1));
      painter->restore();
    }
    const QString caption = ToQString(SongRowText(*song, ViewMode()));
    painter->setFont(option.font);
    painter->drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                      caption);
  }
  if (option.state.testFlag(QStyle::State_HasFocus)) {
    QStyleOptionFocusRect focus;
    focus.QStyleOption::operator=(option);
    focus.backgroundColor = option.palette.color(group, selected ? QPalette::Highlight : QPalette::Base);
    lstFiles->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, lstFiles);
  }
  painter->restore();
}

void TfrmRo3VavMain::lstFilesClick() {
  if (filling_) return;
  RunGuarded([this] { ShowSongDetails(); });
}

void TfrmRo3VavMain::lstFilesKeyPress() { lstFilesClick(); }

void TfrmRo3VavMain::lstFilesDblClick() { OpenCurrentSong(); }

void TfrmRo3VavMain::OpenCurrentSong() {
  const TSongFile* song = SongAtRow(lstFiles->CurrentRow());
  if (song != nullptr) dialogs_.OpenWithAssociatedApplication(song->FileName());
}

void TfrmRo3VavMain::radViewByClick() {
  RunGuarded([this] { RefreshSongList(); });
}

void TfrmRo3VavMain::radRecogTypeFilterClick() {
  RunGuarded([this] { RefreshSongList(); });
}

}  // namespace tagwright
