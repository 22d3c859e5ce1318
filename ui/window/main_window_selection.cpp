// The main window's selection across rebuilt rows, and what becomes of details typed and not stamped
// when the panel is to show another song.
#include <QCloseEvent>
#include <QTimer>
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

bool TMainWindow::SettleTypedDetails(const std::function<void()>& goOn) {
  if (settling_ || detailsPanel_->TypedFields().empty()) return true;
  TFlagScope asking(settling_);
  const TRememberedSelection shown = shownSelection_;
  const QString name = shown.Files.size() == 1 ? PathToQString(std::string(FileNamePart(shown.Files.front())))
                                               : QStringLiteral("%1 songs").arg(shown.Files.size());
  const TTypedChanges answer = dialogs_.AskToStampChanges(name);
  if (answer == TTypedChanges::Discard) return true;
  const TDetailsEdits::TTypedFields typed = detailsPanel_->TypedFields();
  // The user stays on the songs, with what was typed.
  const auto stay = [this, shown, typed] {
    RestoreSelection(shown);
    detailsPanel_->RestoreTypedFields(typed);
  };
  if (answer == TTypedChanges::Stamp) {
    // Over several songs the stamp runs on a worker: the user goes on once it has held, and stays
    // when it did not or was cancelled.
    const auto ended = [stay, goOn](const TPassRun& run) {
      if (StampHolds(run.Summary) && !run.Summary.Cancelled) {
        if (goOn) goOn();
      } else {
        stay();
      }
    };
    const bool idle = !passRunning_;
    if (StampShownSongs(shown, ended)) return true;
    if (idle && passRunning_) return false;  // the stamp runs on a worker
  }
  stay();
  return false;
}

// Stamps the panel over the songs it shows, also those a filter hides now, then selects where the
// user was going. One song is stamped here, and true says that the stamp held. Several go on a
// worker as the Stamp button's pass does, with progress and Cancel: this returns false at once, and
// ended follows once the folder is listed again.
bool TMainWindow::StampShownSongs(const TRememberedSelection& shown,
                                  const std::function<void(const TPassRun&)>& ended) {
  TSongsInHand stamped{{}, RememberSelection(), {}};
  for (std::size_t i = 0; i < songs_.Count(); ++i) {
    if (std::find(shown.Files.begin(), shown.Files.end(), songs_[i]->FileName()) != shown.Files.end())
      stamped.Songs.push_back(songs_[i]);
  }
  std::vector<int> rows;
  for (const std::string& file : shown.Files) {
    if (const int row = RowOfFile(file); row >= 0) rows.push_back(row);
  }
  const TPanelValues panel = TrimmedPanelValues();
  if (stamped.Songs.empty() || RefusesYear(panel.Year, rows)) return false;
  TCommandInput input = CommandInput();
  input.Panel = panel;
  input.Songs = stamped.Songs.size() == 1 ? TSelectedSongs::One : TSelectedSongs::Several;
  if (stamped.Songs.size() > 1) stamped.Ended = ended;
  return StampHolds(RunSongsPass(stamped, RequestFor(CatalogueCommand(TCommandId::StampPanel), input)));
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
  // A stamp of several songs answered here closes the window once it has held.
  if (!SettleTypedDetails([this] { QTimer::singleShot(0, this, &QWidget::close); })) {
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

}  // namespace tagwright
