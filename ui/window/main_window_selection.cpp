// The main window's selection across rebuilt rows, and what becomes of details typed and not stamped
// when the panel is to show another song.
#include <QCloseEvent>
#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "files/paths.h"
#include "ui/details/song_details_panel.h"
#include "ui/dialogs/dialogs.h"
#include "ui/flag_scope.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/text_conversion.h"
#include "ui/window/main_window.h"
#include "ui/window/pass_summary.h"

namespace tagwright {

namespace {

constexpr const char* kSelectFirstMessage = "Select the songs first (Ctrl+A selects all)";

}  // namespace

TRememberedSelection TMainWindow::RememberSelection() const {
  TRememberedSelection selection;
  for (const TSongFile* song : SelectedSongs()) selection.Files.push_back(song->FileName());
  if (const TSongFile* current = SongAtRow(CurrentRow())) selection.Current = current->FileName();
  return selection;
}

int TMainWindow::RowOfFile(const std::string& file) const {
  if (file.empty()) return -1;
  for (int row = 0; row < RowCount(); ++row) {
    const TSongFile* song = SongAtRow(row);
    if (song != nullptr && song->FileName() == file) return row;
  }
  return -1;
}

void TMainWindow::RestoreSelection(TRememberedSelection selection, const std::vector<TSongResult>& results) {
  selection.FollowRenames(RenamedSongs(results));
  // Each row's song by its file, looked up once: thousands of songs may be selected.
  std::unordered_map<std::string_view, int> rowOfFile;
  for (int row = 0; row < RowCount(); ++row) {
    if (const TSongFile* song = SongAtRow(row)) rowOfFile.emplace(song->FileName(), row);
  }
  std::vector<int> rows;
  for (const std::string& file : selection.Files) {
    if (const auto found = rowOfFile.find(file); found != rowOfFile.end()) rows.push_back(found->second);
  }
  std::sort(rows.begin(), rows.end());
  const TDetailsEdits::TTypedFields typed =
      selection.KeepTyped ? detailsPanel_->TypedFields() : TDetailsEdits::TTypedFields();
  if (!typed.empty() && rows.empty() && !selection.Files.empty()) {
    // A filter hides the songs being edited: the panel keeps them, and what was typed for them.
    songListPane_->SetSelection({}, -1);
    hiddenSelection_ = std::move(selection);
    return;
  }
  hiddenSelection_.reset();
  const std::string shown = detailsPanel_->ShownFile();
  songListPane_->SetSelection(rows, RowOfFile(selection.Current));
  if (!typed.empty() && rows.size() == selection.Files.size()) {
    // The same songs: what was typed for them stays.
    if (rows.size() == 1 && SongAtRow(rows.front())->FileName() == shown) return;
    ShowSongDetails();
    detailsPanel_->RestoreTypedFields(typed);
    return;
  }
  ShowSongDetails();
}

bool TMainWindow::SettleTypedDetails() {
  if (settling_ || !detailsPanel_->HasChanges()) return true;
  TFlagScope asking(settling_);
  const std::string file = detailsPanel_->ShownFile();
  const TTypedChanges answer = dialogs_.AskToStampChanges(PathToQString(std::string(FileNamePart(file))));
  if (answer == TTypedChanges::Discard) return true;
  if (answer == TTypedChanges::Stamp && StampShownSong(file)) return true;
  // The user stays on the song, with what was typed.
  const QStringList typed = detailsPanel_->TypedTexts();
  RestoreSelection({.Files = {file}, .Current = file});
  detailsPanel_->RestoreTypedTexts(typed);
  return false;
}

// Stamps the song the panel shows, then goes where the user was going.
bool TMainWindow::StampShownSong(const std::string& file) {
  const TRememberedSelection next = RememberSelection();
  const QStringList typed = detailsPanel_->TypedTexts();
  songListPane_->SetSelection({RowOfFile(file)}, RowOfFile(file));
  const TPassSummary summary = StampSelectedWithPanel();
  if (!StampHolds(summary)) {
    detailsPanel_->RestoreTypedTexts(typed);
    return false;
  }
  RestoreSelection(next);
  return true;
}

bool TMainWindow::HasSelectedSongsOrSay() {
  if (SelectedSongCount() > 0) return true;
  SetStatusText(QString::fromLatin1(kSelectFirstMessage));
  return false;
}

void TMainWindow::closeEvent(QCloseEvent* event) {
  if (passRunning_) {
    // The pass stops after the song it writes, and the window closes once it has ended.
    closeAfterPass_ = true;
    runner_->Cancel();
    event->ignore();
    return;
  }
  if (!SettleTypedDetails()) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace tagwright
