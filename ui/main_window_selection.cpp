// The main window's selection across rebuilt rows, and what becomes of details typed and not stamped
// when the panel is to show another song.
#include <QCloseEvent>
#include <algorithm>
#include <map>

#include "files/paths.h"
#include "ui/dialogs.h"
#include "ui/flag_scope.h"
#include "ui/main_window.h"
#include "ui/pass_summary.h"
#include "ui/song_details_panel.h"
#include "ui/song_list_pane.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

constexpr const char* kSelectFirstMessage = "Select the songs first (Ctrl+A selects all)";

}  // namespace

TMainWindow::TRememberedSelection TMainWindow::RememberSelection() const {
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

void TMainWindow::RestoreSelection(const TRememberedSelection& selection, const std::vector<TSongResult>& results) {
  std::map<std::string, std::string> renamed;
  for (const TSongResult& result : results) {
    if (!result.NewFileName.empty() && result.Outcome != TChangeOutcome::Failed &&
        result.Outcome != TChangeOutcome::Skipped) {
      renamed[result.FileName] = result.NewFileName;
    }
  }
  const auto now = [&renamed](const std::string& file) {
    const auto found = renamed.find(file);
    return found == renamed.end() ? file : found->second;
  };
  std::vector<int> rows;
  for (const std::string& file : selection.Files) {
    if (const int row = RowOfFile(now(file)); row >= 0) rows.push_back(row);
  }
  std::sort(rows.begin(), rows.end());
  songListPane_->SetSelection(rows, RowOfFile(now(selection.Current)));
  const std::vector<const TSongFile*> selected = SelectedSongs();
  const bool stillShown = selected.size() == 1 && selected.front()->FileName() == detailsPanel_->ShownFile();
  if (selection.KeepTyped && stillShown && detailsPanel_->HasChanges()) return;  // what was typed for it stays
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
  RestoreSelection({{file}, file});
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
