// The main window's songs: the folders, loading a folder's songs, the rows and their selection, and
// the song details panel.
#include <QTimer>
#include <algorithm>
#include <filesystem>

#include "files/paths.h"
#include "songs/recognition.h"
#include "songs/song_listing.h"
#include "text/letters.h"
#include "ui/details/song_details_panel.h"
#include "ui/details/song_media_panel.h"
#include "ui/dialogs/dialogs.h"
#include "ui/flag_scope.h"
#include "ui/folders/folder_pane.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/text_conversion.h"
#include "ui/window/main_window.h"
#include "ui/window/preferences.h"
#include "ui/window/sort_filter_panel.h"
#include "ui/window/status_panels.h"
#include "ui/workers/song_folder_loader.h"

namespace tagwright {

namespace {

constexpr std::size_t kUnreadableNamesShown = 10;

std::vector<std::string> SongFileNames(const TSongList& songs) {
  std::vector<std::string> files;
  files.reserve(songs.Count());
  for (std::size_t i = 0; i < songs.Count(); ++i) files.push_back(songs[i]->FileName());
  return files;
}

}  // namespace

void TMainWindow::LoadSelectedFolder(const QString& path) {
  if (returningToFolder_ || passRunning_) return;
  // A stamp of several songs answered here opens the folder once it has held.
  if (!SettleTypedDetails([this, path] { folderPane_->SelectFolder(path); })) {
    // The user stays on the song, and so in its folder.
    TFlagScope returning(returningToFolder_);
    folderPane_->SelectFolder(PathToQString(shownFolder_));
    return;
  }
  unspelledFolder_.clear();
  songListPane_->SetIncludeSubfolders(false);
  if (AskAboutUnstampedEdits()) return;  // the stamp has loaded the folder selected
  RunGuarded([&] { LoadSongFolder(QStringToPath(path)); });
}

void TMainWindow::FollowSelection() {
  RunGuarded([this] {
    if (!SettleTypedDetails()) return;
    hiddenSelection_.reset();
    ShowSongDetails();
  });
}

void TMainWindow::OpenCurrentSong() {
  const TSongFile* song = SongAtRow(CurrentRow());
  if (song != nullptr) OpenOrTell(dialogs_, song->FileName());
}

std::string TMainWindow::SelectedFolder() const {
  if (!unspelledFolder_.empty()) return unspelledFolder_;
  return QStringToPath(folderPane_->SelectedPath());
}

bool TMainWindow::SelectFolder(const QString& path) { return folderPane_->SelectFolder(path); }

bool TMainWindow::OpenStartFolder(const std::string& folder) {
  std::error_code error;
  if (folder.empty() || !std::filesystem::is_directory(folder, error)) return false;
  const QString spelled = PathToQString(folder);
  if (QStringToPath(spelled) == folder) return SelectFolder(spelled);
  // Qt's paths are Unicode: bytes that are no UTF-8 would come back as other bytes, and the scan would
  // miss the folder. The tree shows the nearest folder above that it can spell.
  std::string above = folder;
  do {
    const std::size_t slash = above.find_last_of('/');
    above = slash == 0 || slash == std::string::npos ? std::string("/") : above.substr(0, slash);
  } while (above != "/" && QStringToPath(PathToQString(above)) != above);
  folderPane_->OpenFolder(PathToQString(above));
  songListPane_->SetIncludeSubfolders(false);
  unspelledFolder_ = folder;
  RunGuarded([&] { LoadSongFolder(unspelledFolder_); });
  return true;
}

// --- Songs ---

TViewMode TMainWindow::ViewMode() const { return sortFilterPanel_->ViewMode(); }

TRecognitionFilter TMainWindow::RecognitionFilter() const { return sortFilterPanel_->RecognitionFilter(); }

bool TMainWindow::IsLoading() const { return loading_; }

void TMainWindow::BeginLoad() {
  if (!loading_) {
    loading_ = true;
    ++busy_;
    SetCommandsEnabled(false);
  }
  songListPane_->ClearRows();
  SetStatusText(QStringLiteral("Updating file list..."));
}

void TMainWindow::LoadSongFolder(const std::string& folder) {
  // A reload of the folder shown selects the same songs again; another folder starts unselected.
  if (!loading_) {
    reloadSelection_.reset();
    if (folder == shownFolder_) reloadSelection_ = RememberSelection();
    if (folder != shownFolder_) hiddenSelection_.reset();
  }
  BeginLoad();
  loader_->Start({folder, songListPane_->IncludeSubfolders(), preferences_.Recognition()});
}

// The progress has a place of its own: the message panel keeps "Updating file list...".
void TMainWindow::ShowLoadProgress(std::size_t done, std::size_t total) {
  statusBar_->ShowProgress(QStringLiteral("Reading songs"), done, total);
}

void TMainWindow::TakeLoadedFolder(TFolderListing& loaded) {
  if (loading_) {
    loading_ = false;
    statusBar_->HideProgress();
    if (--busy_ == 0) SetCommandsEnabled(true);
  }
  if (loaded.Error) {
    SetStatusText(QString());
    std::rethrow_exception(loaded.Error);
  }
  TakeRows(std::move(loaded.Rows));
  RefreshSongList();
  if (reloadSelection_ && loaded.Folder == shownFolder_) {
    RestoreSelection(*reloadSelection_, reloadResults_);
  } else {
    ShowSongDetails();  // nothing is selected in another folder
  }
  reloadSelection_.reset();
  reloadResults_.clear();
  shownFolder_ = loaded.Folder;
  if (!loaded.Folder.empty()) {
    window_settings::AddRecentFolder(PathToQString(loaded.Folder));
    songListPane_->SetEmptyText(songs_.Count() == 0 ? QStringLiteral("No songs in this folder") : QString());
  }
  SetStatusText(QString());
  PointToNameOptions(loaded.Folder);
  ReportUnreadableSongs();
  Q_EMIT SongsLoaded();
}

void TMainWindow::ReloadSongFolderNow() {
  // The folder whose songs the command changed: the tree is on another already when the user, leaving
  // for it, has answered Stamp to the question about what was typed.
  const std::string folder = loading_ || shownFolder_.empty() ? SelectedFolder() : shownFolder_;
  if (loading_) {
    loading_ = false;
    statusBar_->HideProgress();
    --busy_;  // the command running keeps the window busy
  }
  if (!reloadSelection_) reloadSelection_ = RememberSelection();
  songListPane_->ClearRows();
  // Read at once, but the message says what the window does meanwhile.
  SetStatusText(QStringLiteral("Updating file list..."));
  statusBar_->repaint();
  TFolderListing loaded = loader_->LoadNow({folder, songListPane_->IncludeSubfolders(), preferences_.Recognition()});
  TakeLoadedFolder(loaded);
}

void TMainWindow::TakeRows(TSongRows rows) {
  songs_.Clear();
  unreadableSongs_.clear();
  // One file that cannot be read does not hide the folder's other songs.
  for (TSongRow& row : rows.Rows) {
    if (row.Song) {
      songs_.Add(std::move(row.Song));
    } else if (row.Kind == TSongRowKind::UnreadableSong) {
      unreadableSongs_.push_back(row.Failure.Describe());
    }
  }
  // A folder that cannot be read hides its songs: it is said after the songs that cannot be read.
  for (const TSongRow& row : rows.Rows) {
    if (row.Kind == TSongRowKind::UnreadableFolder) unreadableSongs_.push_back(row.Failure.DescribeWithError());
  }
}

void TMainWindow::SetCommandsEnabled(bool enabled) {
  if (enabled == commandsEnabled_) return;
  commandsEnabled_ = enabled;
  if (!enabled) focusBefore_ = focusWidget();
  songListPane_->setEnabled(enabled);
  detailsPanel_->setEnabled(enabled);
  sortFilterPanel_->setEnabled(enabled);
  if (!enabled) {
    // Qt has moved the keyboard away from a control it disabled; it comes back to it afterwards.
    focusDisplacedTo_ = focusWidget();
    return;
  }
  const bool userMovedFocus = focusWidget() != focusDisplacedTo_.data();
  if (focusBefore_ && !userMovedFocus && focusBefore_->isEnabled() && focusBefore_->isVisible()) {
    focusBefore_->setFocus(Qt::OtherFocusReason);
  }
  focusBefore_.clear();
  focusDisplacedTo_.clear();
}

namespace {

QString NameCount(std::size_t count) {
  return count == 1 ? QStringLiteral("1 name") : QStringLiteral("%1 names").arg(count);
}

}  // namespace

void TMainWindow::PointToNameOptions(const std::string& folder) {
  if (folder.empty() || std::find(foldersPointedToOptions_.begin(), foldersPointedToOptions_.end(), folder) !=
                            foldersPointedToOptions_.end()) {
    return;
  }
  std::size_t accented = 0;
  std::size_t styled = 0;
  for (std::size_t i = 0; i < songs_.Count(); ++i) {
    const TSongFile& song = *songs_[i];
    if (song.Recognition() != TRecognition::Failed && song.Recognition() != TRecognition::LoosePattern) continue;
    TTokenList tokens;
    if (!preferences_.MoreNameStyles) {
      TSongDetails trial;
      RecognizeFileName(song.FileName(), tokens, trial, {.MoreNameStyles = true});
      if (trial.TidiedName()) ++styled;
    }
    const std::string_view name = FileNamePart(song.FileName());
    const bool beyondAscii =
        std::any_of(name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (!preferences_.AccentedLetters && song.Recognition() == TRecognition::Failed && beyondAscii) {
      TSongDetails trial;
      TRecognitionOptions withAccents = preferences_.Recognition();
      withAccents.Letters = TLetters::Accented;
      RecognizeFileName(song.FileName(), tokens, trial, withAccents);
      if (trial.Recognition() != TRecognition::Failed) ++accented;
    }
  }
  QStringList messages;
  if (accented > 0) {
    messages << QStringLiteral("%1 recognised with Accented Letters in Names \u2014 %2")
                    .arg(NameCount(accented), PreferencesPointer());
  }
  if (styled > 0) {
    messages
        << QStringLiteral("%1 recognised with More Name Styles \u2014 %2").arg(NameCount(styled), PreferencesPointer());
  }
  if (messages.isEmpty()) return;
  foldersPointedToOptions_.push_back(folder);
  SetStatusText(messages.join(QStringLiteral("; ")));
}

void TMainWindow::ReportUnreadableSongs() {
  if (unreadableSongs_.empty()) return;
  QStringList lines;
  for (std::size_t i = 0; i < unreadableSongs_.size() && i < kUnreadableNamesShown; ++i) {
    lines << ToQString(unreadableSongs_[i]);
  }
  if (unreadableSongs_.size() > kUnreadableNamesShown) {
    lines << QStringLiteral("... and %1 more").arg(unreadableSongs_.size() - kUnreadableNamesShown);
  }
  dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Tagwright"), lines.join(QLatin1Char('\n')),
                      TMsgDlgButton::OK);
}

void TMainWindow::RefreshSongList() {
  // The rows are rebuilt in another order or by another filter: the same songs stay selected.
  TRememberedSelection selection = RememberSelection();
  if (selection.Empty() && hiddenSelection_) selection = *hiddenSelection_;
  const TViewMode viewMode = ViewMode();
  const TRecognitionFilter filter = RecognitionFilter();
  songs_.SortBy(ViewModeSortOrder(viewMode));
  songListPane_->ClearRows();
  songListPane_->LayEditsOverSongs();
  TFilterMask present = FilterBit(TRecognitionFilter::Unfiltered);
  std::vector<std::size_t> rows;
  rows.reserve(songs_.Count());
  for (std::size_t i = 0; i < songs_.Count(); ++i) {
    const TFilterMask mask = SongFilterMask(*songs_[i]);
    present = static_cast<TFilterMask>(present | mask);
    if (MaskHasFilter(mask, filter)) rows.push_back(i);
  }
  songListPane_->ShowRows(std::move(rows), viewMode);
  // The table's duration, bit rate and size fill in as they are read.
  if (viewMode == TViewMode::Columns) mediaPanel_->Reader()->ReadAudio(SongFileNames(songs_));
  // A chosen filter that lists nothing any more is disabled but stays chosen.
  sortFilterPanel_->EnableFilters(present);
  statusBar_->SetPanelText(TStatusPanel::Count, QStringLiteral("%1 files").arg(songListPane_->RowCount()));
  if (!selection.Empty()) RestoreSelection(std::move(selection));
}

// --- Rows and selection ---

int TMainWindow::RowCount() const { return songListPane_->RowCount(); }

int TMainWindow::CurrentRow() const { return songListPane_->CurrentRow(); }

int TMainWindow::SelectedSongCount() const { return songListPane_->SelectedRowCount(); }

TSongFile* TMainWindow::SongAtRow(int row) const { return songListPane_->SongAtRow(row); }

void TMainWindow::SelectSingleRow(int row) {
  if (songListPane_->SelectSingleRow(row)) ShowSongDetails();
}

void TMainWindow::UnselectAllRows() { songListPane_->UnselectAllRows(); }

void TMainWindow::SelectRows(const std::vector<int>& rows) { songListPane_->SelectRows(rows); }

// --- Song details panel ---

void TMainWindow::ShowSongDetails() {
  const std::vector<const TSongFile*> selected = SelectedSongs();
  shownSelection_ = RememberSelection();
  std::vector<std::string> files;
  files.reserve(selected.size());
  for (const TSongFile* song : selected) files.push_back(song->FileName());
  mediaPanel_->ShowSongs(std::move(files));
  statusBar_->SetSelectionText(selected.empty() ? QString()
                                                : QStringLiteral("%1 of %2 songs selected")
                                                      .arg(tagwright::CountText(selected.size()),
                                                           tagwright::CountText(static_cast<std::size_t>(RowCount()))));
  if (selected.empty()) {
    detailsPanel_->ShowNoSong();
  } else if (selected.size() == 1) {
    detailsPanel_->ShowSong(*selected.front());
  } else {
    detailsPanel_->ShowCommonValues(selected);  // the values all selected songs share
  }
}

// The song above or below as the user saw it when asking: a stamp of what was typed may sort the
// rows afresh on the way. At either end nothing happens, and nothing is asked.
void TMainWindow::PreviousSong() {
  const int current = CurrentRow();
  if (current <= 0) return;
  const std::string previous = SongAtRow(current - 1)->FileName();
  const auto goOn = [this, previous] { SelectSingleRow(RowOfFile(previous)); };
  if (SettleTypedDetails(goOn)) goOn();
}

void TMainWindow::NextSong() {
  const int current = CurrentRow();
  if (current >= RowCount() - 1) return;
  const std::string next = SongAtRow(current + 1)->FileName();
  const auto goOn = [this, next] { SelectSingleRow(RowOfFile(next)); };
  if (SettleTypedDetails(goOn)) goOn();
}

}  // namespace tagwright
