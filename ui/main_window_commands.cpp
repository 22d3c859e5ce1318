// The commands behind the buttons and the song list's pop-up menu entries. The work on each song is
// the core's (the plans of commands/song_plans.h, carried out by the song pass of
// commands/song_pass.h); here the window gathers the selection and the panel's values, asks its
// questions, shows what went wrong and reloads the list afterwards. Each handler runs inside RunGuarded, so
// that an error is shown and the window carries on.
#include <QItemSelectionModel>
#include <chrono>
#include <memory>
#include <optional>
#include <utility>
#include <thread>

#include "commands/history/history.h"
#include "commands/history/history_undo.h"
#include "commands/song_pass.h"
#include "commands/song_plans.h"
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

void TMainWindow::RunSelectedSongsPass(bool askWhenUnwritable, const TSongPlanner& planner,
                                       const std::function<void(const TSongResult&)>& onResult,
                                       const std::function<void()>& afterLastRow) {
  if (!historyMissing_.empty()) {
    historyCaption_.clear();
    ShowErrorText(historyMissing_);
    return;
  }
  const int remembered = CurrentRow();
  std::vector<const TSongFile*> selected;
  for (int row = 0; row < RowCount(); ++row) {
    if (!songListPane_->IsRowSelected(row)) continue;
    if (const TSongFile* song = SongAtRow(row)) selected.push_back(song);
  }

  TPassHooks hooks;
  hooks.OnUnwritable = [&](const TSongFile& song) {
    if (!askWhenUnwritable) return TPassStep::Continue;
    const QString text =
        PathToQString(std::string(FileNamePart(song.FileName()))) + QStringLiteral(" cannot be written to.  Continue?");
    const bool goOn = dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), text,
                                          TMsgDlgButton::Yes | TMsgDlgButton::No) == TMsgDlgButton::Yes;
    return goOn ? TPassStep::Continue : TPassStep::Stop;
  };
  hooks.OnResult = [&](const TSongResult& result) {
    const TFailureKind kind = result.Failure.Kind();
    if (kind == TFailureKind::NotWritable) return TPassStep::Continue;  // already asked about
    if (onResult) onResult(result);
    // A file that could not be read or written ends the command; a refused rename does not.
    if (result.Outcome == TChangeOutcome::Failed && kind != TFailureKind::None && kind != TFailureKind::Rename) {
      ShowErrorText(result.Reason);
      return TPassStep::Stop;
    }
    return TPassStep::Continue;
  };
  // The whole pass is one entry of the history, under the caption of its command.
  std::unique_ptr<THistoryRecorder> recorder;
  if (history_) recorder = history_->StartEntry(TProgram::Window, std::exchange(historyCaption_, {}));
  hooks.Journal = recorder.get();
  const auto reload = [&] {
    if (recorder) {
      if (TResult finished = recorder->Finish(); !finished) {
        recorder.reset();
        ShowErrorText("The history could not be completed: " + finished.Describe() + " (" +
                      finished.Error().message() + ")");
      }
    }
    LoadSongFolder(SelectedFolder());
    SelectSingleRow(remembered);
  };
  try {
    const TPassSummary summary = RunSongPass(selected, planner, TPassMode::Apply, hooks);
    if (!summary.Stopped && afterLastRow) afterLastRow();
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
    historyCaption_ = "Stamp ID3 Tag(s)";
    const bool single = SelectedSongCount() == 1;
    std::optional<TPanelValues> panel;  // trimmed when the first song is planned
    RunSelectedSongsPass(true, {TTagsNeeded::Yes, [&](const TSongFile&, const TID3Info& tags) {
                                  if (!panel) panel = TrimmedPanelValues();
                                  return PlanStampFromPanel(tags, *panel, single);
                                }});
  });
}

void TMainWindow::StampRecognized() {
  RunGuarded([this] {
    historyCaption_ = "Stamp ID3 Tags";
    RunSelectedSongsPass(true, {TTagsNeeded::Yes, PlanStampRecognized});
  });
}

// --- Renaming ---

void TMainWindow::AutoRename() {
  RunGuarded([this] {
    historyCaption_ = "AutoRename Files";
    const TSongPlanner planner{TTagsNeeded::No,
                               [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }};
    RunSelectedSongsPass(true, planner, [this](const TSongResult& result) {
      if (result.Outcome == TChangeOutcome::Failed) SetStatusText(QString::fromUtf8(kRenameFailedMessage));
    });
  });
}

void TMainWindow::RenameWithDetails() {
  RunGuarded([this] {
    historyCaption_ = "Rename File(s)";
    const bool single = SelectedSongCount() == 1;
    bool messageShown = false;
    std::optional<TPanelValues> panel;  // trimmed when the first song is planned
    const TSongPlanner planner{TTagsNeeded::No, [&](const TSongFile& song, const TID3Info&) {
                                 if (!panel) {
                                   panel.emplace();
                                   panel->Artist = detailsPanel_->TrimField(TDetailsField::Artist);
                                   panel->Title = detailsPanel_->TrimField(TDetailsField::Title);
                                   panel->Track = detailsPanel_->TrimField(TDetailsField::Track);
                                 }
                                 return PlanRenameWithDetails(song, *panel, single);
                               }};
    RunSelectedSongsPass(true, planner, [&](const TSongResult& result) {
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
    if (!historyMissing_.empty()) {
      ShowErrorText(historyMissing_);
      return;
    }
    std::unique_ptr<THistoryRecorder> recorder;
    if (history_) recorder = history_->StartEntry(TProgram::Window, "Rename This File");
    TSongChange rename;
    if (target) rename.NewFileName = *target;
    const bool renamed =
        target && ApplySongChange(fileName, rename, recorder.get()).Outcome == TChangeOutcome::Renamed;
    // The rename is on disk; an entry that cannot be completed is repaired from its records.
    if (recorder) (void)recorder->Finish();
    if (!renamed) {
      dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), QStringLiteral("Error renaming file"), TMsgDlgButton::OK);
      return;
    }
    LoadSongFolder(SelectedFolder());
  });
}

// --- Undo ---

bool TMainWindow::CanUndo() const {
  if (!history_) return false;
  const TResultOf<std::optional<THistoryEntry>> newest = history_->NewestNotUndone();
  return newest && newest.Value().has_value();
}

void TMainWindow::UndoLastCommand() {
  RunGuarded([this] {
    if (!history_) return;
    const TResultOf<std::optional<THistoryEntry>> newest = history_->NewestNotUndone();
    if (!newest) {
      ShowErrorText("The history cannot be read: " + newest.Failure().Describe() + " (" +
                    newest.Failure().Error().message() + ")");
      return;
    }
    if (!newest.Value()) return;
    const THistoryEntry& entry = *newest.Value();
    const QString question =
        QStringLiteral("Undo \"%1\" on %2 file(s)?").arg(ToQString(entry.Command)).arg(entry.Files);
    if (dialogs_.MessageDlg(TMsgDlgType::Confirmation, QStringLiteral("Confirm"), question,
                            TMsgDlgButton::Yes | TMsgDlgButton::No) != TMsgDlgButton::Yes) {
      return;
    }
    const int remembered = CurrentRow();
    const TResultOf<TUndoReport> undone = UndoEntry(*history_, entry.Id, TProgram::Window, "Undo Last Command", false);
    if (!undone) {
      ShowErrorText("The undo could not be recorded in the history: " + undone.Failure().Describe() + " (" +
                    undone.Failure().Error().message() + ")");
    } else if (undone.Value().Skipped() > 0) {
      QString text = QStringLiteral("These files could not be restored:");
      for (const TUndoFile& file : undone.Value().Files) {
        if (file.Action != TUndoAction::Skipped) continue;
        text += QStringLiteral("\n") + PathToQString(file.File) + QStringLiteral(": ") + ToQString(file.Reason);
      }
      dialogs_.MessageDlg(TMsgDlgType::Warning, QStringLiteral("Undo"), text, TMsgDlgButton::OK);
    }
    LoadSongFolder(SelectedFolder());
    SelectSingleRow(remembered);
  });
}

// --- Automatic updates ---

void TMainWindow::UseFileNameAsTitle() {
  RunGuarded([this] {
    historyCaption_ = "Filename as Title";
    RunSelectedSongsPass(true, {TTagsNeeded::Yes, PlanFileNameAsTitle});
  });
}

void TMainWindow::CleanUpDetails() {
  RunGuarded([this] {
    historyCaption_ = "Details Cleanup";
    RunSelectedSongsPass(true, {TTagsNeeded::Yes, PlanDetailsCleanup});
  });
}

void TMainWindow::HandsFreeUpdate() {
  RunGuarded([this] {
    historyCaption_ = "Hands-Free!";
    const TSongPlanner planner{TTagsNeeded::No,
                               [](const TSongFile& song, const TID3Info&) { return PlanHandsFree(song); }};
    RunSelectedSongsPass(false, planner, [this](const TSongResult& result) {
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
    historyCaption_ = "ID3 Clear";
    RunSelectedSongsPass(false, {TTagsNeeded::Yes, [field](const TSongFile&, const TID3Info& tags) {
                                   return PlanClearTagField(tags, field);
                                 }});
  });
}

void TMainWindow::DeleteThisFile() {
  RunGuarded([this] {
    const TSongFile* song = SongAtRow(CurrentRow());
    if (song == nullptr) return;
    const std::string fileName = song->FileName();
    const QString text = QStringLiteral("Are you sure you want to delete this file?\r\n") + PathToQString(fileName);
    if (dialogs_.MessageDlg(TMsgDlgType::Confirmation, QStringLiteral("Confirm"), text, TMsgDlgButton::Yes | TMsgDlgButton::No) != TMsgDlgButton::Yes) return;
    if (const TResult deleted = DeleteSongFile(fileName); !deleted) {
      ShowErrorText(deleted.Describe() + ": " + deleted.Error().message());
    }
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
