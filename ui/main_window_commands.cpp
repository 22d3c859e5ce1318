// The commands behind the buttons and the song list's pop-up menu entries. The work on each song is
// the core's (commands/song_commands.h); here the window gathers the selection and the panel's
// values, asks its questions and reloads the list afterwards. Each handler runs inside RunGuarded, so
// that an error is shown and the window carries on.
#include <QItemSelectionModel>
#include <chrono>
#include <thread>

#include "commands/song_commands.h"
#include "files/file_access.h"
#include "songs/file_name_composition.h"
#include "ui/dialogs.h"
#include "ui/folder_pane.h"
#include "ui/main_window.h"
#include "ui/song_details_panel.h"
#include "ui/song_list_pane.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

constexpr auto kPauseAfterRenameFailure = std::chrono::milliseconds(2000);

}  // namespace

// --- The pass over the selected songs ---

void TMainWindow::RunSelectedSongsPass(bool askWhenUnwritable, const std::function<void(TSongFile&)>& work,
                                       const std::function<void()>& afterLastRow) {
  const int remembered = CurrentRow();
  const auto reload = [&] {
    LoadSongFolder(SelectedFolder());
    SelectSingleRow(remembered);
  };
  try {
    for (int row = 0; row < RowCount(); ++row) {
      if (!songListPane_->IsRowSelected(row)) continue;
      TSongFile* song = SongAtRow(row);
      if (song == nullptr) continue;
      if (!IsFileWritable(song->FileName())) {
        if (!askWhenUnwritable) continue;
        const QString text =
            PathToQString(std::string(FileNamePart(song->FileName()))) + QStringLiteral(" cannot be written to.  Continue?");
        if (dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), text, TMsgDlgButton::Yes | TMsgDlgButton::No) == TMsgDlgButton::Yes) continue;
        reload();
        return;
      }
      work(*song);
    }
    if (afterLastRow) afterLastRow();
  } catch (...) {
    reload();
    throw;
  }
  reload();
}

TPanelValues TMainWindow::TrimmedPanelValues() {
  TPanelValues panel;
  panel.Artist = detailsPanel_->TrimField(TDetailsField::Artist);
  panel.Title = detailsPanel_->TrimField(TDetailsField::Title);
  panel.Album = detailsPanel_->TrimField(TDetailsField::Album);
  panel.Year = detailsPanel_->TrimField(TDetailsField::Year);
  panel.Comment = detailsPanel_->TrimField(TDetailsField::Comment);
  panel.Track = detailsPanel_->TrimField(TDetailsField::Track);
  panel.Genre = detailsPanel_->Genre();
  return panel;
}

// --- Stamping ---

void TMainWindow::StampWithDetails() {
  RunGuarded([this] {
    const bool single = SelectedSongCount() == 1;
    RunSelectedSongsPass(true, [&](TSongFile& song) {
      ApplySongChange(song.FileName(), PlanStampFromPanel(song.FileName(), TrimmedPanelValues(), single));
    });
  });
}

void TMainWindow::StampRecognized() {
  RunGuarded([this] {
    RunSelectedSongsPass(true, [](TSongFile& song) {
      ApplySongChange(song.FileName(), PlanStampRecognized(song));
    });
  });
}

// --- Renaming ---

void TMainWindow::AutoRename() {
  RunGuarded([this] {
    RunSelectedSongsPass(true, [this](TSongFile& song) {
      const TChangeResult result = ApplySongChange(song.FileName(), PlanAutoRename(song));
      if (result.Outcome == TChangeOutcome::Failed) SetStatusText(QString::fromUtf8(kRenameFailedMessage));
    });
  });
}

void TMainWindow::RenameWithDetails() {
  RunGuarded([this] {
    const bool single = SelectedSongCount() == 1;
    bool messageShown = false;
    RunSelectedSongsPass(true, [&](TSongFile& song) {
      TPanelValues panel;
      panel.Artist = detailsPanel_->TrimField(TDetailsField::Artist);
      panel.Title = detailsPanel_->TrimField(TDetailsField::Title);
      panel.Track = detailsPanel_->TrimField(TDetailsField::Track);
      const TSongChange change = PlanRenameWithDetails(song, panel, single);
      const TChangeResult result = ApplySongChange(song.FileName(), change);
      if (result.Outcome == TChangeOutcome::Failed) {
        SetStatusText(QString::fromUtf8(result.Reason.c_str()));
        messageShown = true;
      }
    }, [&] {
      // Leave the last message readable before the reload replaces it.
      if (messageShown) std::this_thread::sleep_for(kPauseAfterRenameFailure);
    });
  });
}

void TMainWindow::RenameThisFile() {
  RunGuarded([this] {
    TSongFile* song = SongAtRow(CurrentRow());
    if (song == nullptr) return;
    const std::string fileName = song->FileName();
    QString typed = PathToQString(std::string(FileNamePart(fileName)));
    if (!dialogs_.InputQuery(QStringLiteral("Rename File"), QStringLiteral("New filename"), typed)) return;
    const std::optional<std::string> target = ManualRenameTarget(fileName, QStringToPath(typed));
    if (!target || RenameWithoutReplacing(fileName, *target)) {
      dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), QStringLiteral("Error renaming file"), TMsgDlgButton::OK);
      return;
    }
    LoadSongFolder(SelectedFolder());
  });
}

// --- Automatic updates ---

void TMainWindow::UseFileNameAsTitle() {
  RunGuarded([this] {
    RunSelectedSongsPass(true, [](TSongFile& song) {
      ApplySongChange(song.FileName(), PlanFileNameAsTitle(song));
    });
  });
}

void TMainWindow::CleanUpDetails() {
  RunGuarded([this] {
    RunSelectedSongsPass(true, [](TSongFile& song) {
      ApplySongChange(song.FileName(), PlanDetailsCleanup(song));
    });
  });
}

void TMainWindow::HandsFreeUpdate() {
  RunGuarded([this] {
    RunSelectedSongsPass(false, [this](TSongFile& song) {
      const TChangeResult result = ApplySongChange(song.FileName(), PlanHandsFree(song));
      if (result.Outcome == TChangeOutcome::Failed) SetStatusText(QString::fromUtf8(kRenameFailedMessage));
    });
  });
}

// --- The song list's pop-up menu ---

void TMainWindow::PlaySelectedSongs() {
  for (int row = 0; row < RowCount(); ++row) {
    if (!songListPane_->IsRowSelected(row)) continue;
    if (const TSongFile* song = SongAtRow(row)) dialogs_.OpenWithAssociatedApplication(song->FileName());
  }
}

void TMainWindow::ClearTagField(TTagField field) {
  RunGuarded([this, field] {
    RunSelectedSongsPass(false, [field](TSongFile& song) {
      ApplySongChange(song.FileName(), PlanClearTagField(song.FileName(), field));
    });
  });
}

void TMainWindow::DeleteThisFile() {
  RunGuarded([this] {
    const TSongFile* song = SongAtRow(CurrentRow());
    if (song == nullptr) return;
    const std::string fileName = song->FileName();
    const QString text = QStringLiteral("Are you sure you want to delete this file?\r\n") + PathToQString(fileName);
    if (dialogs_.MessageDlg(TMsgDlgType::Confirmation, QStringLiteral("Confirm"), text, TMsgDlgButton::Yes | TMsgDlgButton::No) != TMsgDlgButton::Yes) return;
    DeleteSongFile(fileName);  // a file that stays is simply listed again
    LoadSongFolder(SelectedFolder());
  });
}

void TMainWindow::SelectArtist() {
  const int current = CurrentRow();
  const TSongFile* song = SongAtRow(current);
  if (song == nullptr || RowCount() == 0) return;
  const std::string artist = song->Artist();
  std::vector<int> rows;
  for (int row = 0; row < RowCount(); ++row) {
    const TSongFile* other = SongAtRow(row);
    if (other != nullptr && other->Artist() == artist) rows.push_back(row);
  }
  SelectRows(rows);
  ShowSongDetails();
}

void TMainWindow::SelectAll() {
  if (RowCount() == 0) return;
  std::vector<int> rows;
  for (int row = 0; row < RowCount(); ++row) rows.push_back(row);
  SelectRows(rows);
  ShowSongDetails();
}

// The entry's tick has already flipped when this runs.
void TMainWindow::ReloadForSubfolderTick() {
  RunGuarded([this] { LoadSongFolder(SelectedFolder()); });
}

void TMainWindow::RefreshSongFolder() {
  RunGuarded([this] {
    bool subfolders = songListPane_->IncludeSubfolders();
    // On the top node its own folders are re-read, and subfolders are no longer scanned.
    if (!folderPane_->RefreshAroundSelection()) subfolders = false;
    songListPane_->SetIncludeSubfolders(subfolders);
    LoadSongFolder(SelectedFolder());
  });
}

}  // namespace tagwright
