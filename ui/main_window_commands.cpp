// The commands behind the buttons and the song list's pop-up menu entries. The work on each song is
// the core's (the plans of commands/song_plans.h, carried out by the song pass of
// commands/song_pass.h); here the window gathers the selection and the panel's values, asks its
// questions, shows what went wrong and reloads the list afterwards. Each handler runs inside RunGuarded, so
// that an error is shown and the window carries on.
#include <QItemSelectionModel>
#include <memory>
#include <numeric>
#include <optional>
#include <utility>

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
#include "ui/status_panels.h"
#include "ui/text_conversion.h"
#include "ui/trash.h"

namespace tagwright {

namespace {

const TSongPlanner kAutoRenamePlanner{TTagsNeeded::No,
                                      [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }};
TSongPlanner HandsFreePlanner(const TKnownSpellings* spellings, TLetters letters) {
  return {TTagsNeeded::No, [spellings, letters](const TSongFile& song, const TID3Info&) {
            return PlanHandsFree(song, spellings, letters);
          }};
}

constexpr int kPauseAfterRenameFailureMs = 2000;

// The entry of "ID3 Clear" that blanks the field.
QString TagFieldCaption(TTagField field) {
  switch (field) {
    case TTagField::Artist: return QStringLiteral("Artist");
    case TTagField::Title: return QStringLiteral("Title");
    case TTagField::Track: return QStringLiteral("Track");
    case TTagField::Album: return QStringLiteral("Album");
    case TTagField::Year: return QStringLiteral("Year");
    case TTagField::Genre: return QStringLiteral("Genre");
    case TTagField::Comment: break;
  }
  return QStringLiteral("Comment");
}

}  // namespace

// --- The pass over the selected songs ---

TPassSummary TMainWindow::RunSelectedSongsPass(const QString& command, TPassCount count, bool askWhenUnwritable,
                                               const TSongPlanner& planner,
                                               const std::function<void(const TSongResult&)>& onResult,
                                               const std::function<void()>& afterLastRow) {
  if (busy_ > 0) return {};  // no command starts while songs load or another command runs
  if (!historyMissing_.empty()) {
    ShowErrorText(historyMissing_);
    return {};
  }
  ++busy_;
  SetCommandsEnabled(false);
  const int remembered = CurrentRow();
  const std::vector<const TSongFile*> selected = SelectedSongs();

  TPassHooks hooks;
  hooks.OnUnwritable = [&](const TSongFile& song) {
    if (!askWhenUnwritable) return TPassStep::Continue;
    const QString text =
        PathToQString(std::string(FileNamePart(song.FileName()))) + QStringLiteral(" cannot be written to.  Continue?");
    const bool goOn = dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), text,
                                          TMsgDlgButton::Yes | TMsgDlgButton::No) == TMsgDlgButton::Yes;
    return goOn ? TPassStep::Continue : TPassStep::Stop;
  };
  std::optional<std::string> stoppedBy;  // the failure that ended the pass, told after the reload
  hooks.OnResult = [&](const TSongResult& result) {
    const TFailureKind kind = result.Failure.Kind();
    if (kind == TFailureKind::NotWritable) return TPassStep::Continue;  // already asked about
    if (onResult) onResult(result);
    // A file that could not be read or written ends the command; a refused rename does not.
    if (result.Outcome == TChangeOutcome::Failed && kind != TFailureKind::None && kind != TFailureKind::Rename) {
      stoppedBy = result.Reason();
      return TPassStep::Stop;
    }
    return TPassStep::Continue;
  };
  // The message panel belongs to the messages of the pass; the progress has a place of its own.
  hooks.OnProgress = [&](std::size_t done, std::size_t total) {
    if (total > 1) statusBar_->ShowProgress(command, done, total);
  };
  // The whole pass is one entry of the history, under the caption of its command.
  std::unique_ptr<THistoryRecorder> recorder;
  if (history_) recorder = history_->StartEntry(TProgram::Window, command.toStdString());
  hooks.Journal = recorder.get();
  const auto reload = [&] {
    if (recorder) {
      if (TResult finished = recorder->Finish(); !finished) {
        recorder.reset();
        ShowErrorText("The history could not be completed: " + finished.DescribeWithError());
      }
    }
    statusBar_->HideProgress();
    LoadSongFolder(SelectedFolder());
    SelectSingleRow(remembered);
    // The keyboard comes back once the rows and the selection are as the reload leaves them.
    if (--busy_ == 0) SetCommandsEnabled(true);
  };
  TPassSummary summary;
  try {
    summary = RunSongPass(selected, planner, TPassMode::Apply, hooks);
    statusBar_->HideProgress();
    if (!summary.Stopped && afterLastRow) afterLastRow();
  } catch (...) {
    reload();
    throw;
  }
  reload();
  // The reload has emptied the message panel, and with it any message of the pass.
  SetStatusText(PassSummaryLine(command, count, summary));
  if (stoppedBy) ShowErrorText(*stoppedBy);
  return summary;
}

std::vector<const TSongFile*> TMainWindow::SelectedSongs() const {
  std::vector<const TSongFile*> selected;
  for (int row = 0; row < RowCount(); ++row) {
    if (!songListPane_->IsRowSelected(row)) continue;
    if (const TSongFile* song = SongAtRow(row)) selected.push_back(song);
  }
  return selected;
}

namespace {

std::vector<TSongResult> DryRunResults(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner) {
  std::vector<TSongResult> results;
  TPassHooks hooks;
  hooks.OnResult = [&](const TSongResult& result) {
    results.push_back(result);
    return TPassStep::Continue;
  };
  // Every song has its row in the preview: the counts add nothing.
  (void)RunSongPass(songs, planner, TPassMode::DryRun, hooks);
  return results;
}

}  // namespace

bool TMainWindow::PreviewSelectedSongsPass(const QString& caption, const TSongPlanner& planner,
                                           const std::function<TSongPlanner(const TKnownSpellings*)>& withSpellings) {
  const std::vector<const TSongFile*> songs = SelectedSongs();
  const std::vector<TSongResult> results = DryRunResults(songs, planner);
  QString note;
  if (withSpellings && KnownSpellings() == nullptr) {
    // What the same command would write keeping known spellings: where only capitals differ, the
    // command flattens capitals that Keep Known Spellings would keep.
    const std::vector<TSongResult> kept = DryRunResults(songs, withSpellings(&TKnownSpellings::Shipped()));
    std::size_t flattened = 0;
    for (std::size_t i = 0; i < results.size() && i < kept.size(); ++i) {
      const bool namesDiffer = results[i].NewFileName != kept[i].NewFileName;
      const bool tagsDiffer =
          results[i].Tags.Artist != kept[i].Tags.Artist || results[i].Tags.Title != kept[i].Tags.Title;
      if (namesDiffer || tagsDiffer) ++flattened;
    }
    if (flattened > 0) {
      note =
          QStringLiteral("%1 names lose capitals that Keep Known Spellings would keep (AC/DC, R.E.M., DJ...) \u2014 %2")
              .arg(flattened)
              .arg(PreferencesPointer());
    }
  }
  return dialogs_.PreviewPass(caption, results, note);
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
    std::optional<TPanelValues> panel;  // trimmed when the first song is planned
    RunSelectedSongsPass(QStringLiteral("Stamp ID3 Tag(s)"), TPassCount::SongsTagged, true,
                         {TTagsNeeded::Yes, [&](const TSongFile&, const TID3Info& tags) {
                            if (!panel) panel = TrimmedPanelValues();
                            return PlanStampFromPanel(tags, *panel, single);
                          }});
  });
}

void TMainWindow::StampRecognized() {
  RunGuarded([this] {
    RunSelectedSongsPass(QStringLiteral("Stamp ID3 Tags"), TPassCount::SongsTagged, true,
                         {TTagsNeeded::Yes, PlanStampRecognized});
  });
}

// --- Renaming ---

void TMainWindow::AutoRename() {
  RunGuarded([this] {
    const TSongPlanner& planner = kAutoRenamePlanner;
    RunSelectedSongsPass(QStringLiteral("AutoRename Files"), TPassCount::Renamed, true, planner,
                         [this](const TSongResult& result) {
                           if (result.Outcome == TChangeOutcome::Failed)
                             SetStatusText(QString::fromUtf8(kRenameFailedMessage));
                         });
  });
}

void TMainWindow::RenameWithDetails() {
  RunGuarded([this] {
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
    RunSelectedSongsPass(
        QStringLiteral("Rename File(s)"), TPassCount::Renamed, true, planner,
        [&](const TSongResult& result) {
          if (result.Outcome == TChangeOutcome::Failed) {
            SetStatusText(QString::fromStdString(result.Reason()));
            messageShown = true;
          }
        },
        [&] {
          // Leave the last message readable before the reload replaces it.
          if (messageShown) WaitPainting(kPauseAfterRenameFailureMs);
        });
  });
}

void TMainWindow::RenameThisFile() {
  RunGuarded([this] {
    TSongFile* song = SongAtRow(CurrentRow());
    if (song == nullptr) return;
    const std::string fileName = song->FileName();
    QString typed = PathToQString(std::string(FileNamePart(fileName)));
    // The name without its extension is selected, ready to be typed over, as file managers do.
    const qsizetype dot = typed.lastIndexOf(QLatin1Char('.'));
    const int stem = static_cast<int>(dot > 0 ? dot : typed.size());
    if (!dialogs_.InputQuery(QStringLiteral("Rename File"), QStringLiteral("New filename"), typed, stem)) return;
    const std::optional<std::string> target = ManualRenameTarget(fileName, QStringToPath(typed));
    if (!historyMissing_.empty()) {
      ShowErrorText(historyMissing_);
      return;
    }
    std::unique_ptr<THistoryRecorder> recorder;
    if (history_) recorder = history_->StartEntry(TProgram::Window, "Rename This File");
    TSongChange rename;
    if (target) rename.NewFileName = *target;
    const bool renamed = target && ApplySongChange(fileName, rename, recorder.get()).Outcome == TChangeOutcome::Renamed;
    // The rename is on disk; an entry that cannot be completed is repaired from its records.
    if (recorder) (void)recorder->Finish();
    if (!renamed) {
      dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), QStringLiteral("Error renaming file"),
                          TMsgDlgButton::OK);
      return;
    }
    LoadSongFolder(SelectedFolder());
  });
}

// --- Undo ---

bool TMainWindow::CanUndo() const {
  if (!history_) return false;
  const TResultOf<std::optional<THistoryEntry>> newest = history_->NewestNotUndone();
  // A history that cannot be read is no empty one: the entry stays open, and says why it cannot undo.
  return !newest || newest.Value().has_value();
}

void TMainWindow::UndoLastCommand() {
  RunGuarded([this] {
    if (!history_) return;
    const TResultOf<std::optional<THistoryEntry>> newest = history_->NewestNotUndone();
    if (!newest) {
      ShowErrorText("The history cannot be read: " + newest.Failure().DescribeWithError());
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
      ShowErrorText("The undo could not be recorded in the history: " + undone.Failure().DescribeWithError());
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
    RunSelectedSongsPass(QStringLiteral("Filename as Title"), TPassCount::SongsTagged, true,
                         {TTagsNeeded::Yes, PlanFileNameAsTitle});
  });
}

void TMainWindow::CleanUpDetails() {
  RunGuarded([this] {
    const TKnownSpellings* spellings = KnownSpellings();
    const TLetters letters = preferences_.Recognition().Letters;
    RunSelectedSongsPass(QStringLiteral("Details Cleanup"), TPassCount::SongsTagged, true,
                         {TTagsNeeded::Yes, [spellings, letters](const TSongFile& song, const TID3Info& tags) {
                            return PlanDetailsCleanupKeeping(song, tags, spellings, letters);
                          }});
  });
}

void TMainWindow::HandsFreeUpdate() {
  RunGuarded([this] {
    const TSongPlanner planner = HandsFreePlanner(KnownSpellings(), preferences_.Recognition().Letters);
    RunSelectedSongsPass(QStringLiteral("Hands-Free!"), TPassCount::SongsUpdated, false, planner,
                         [this](const TSongResult& result) {
                           if (result.Outcome == TChangeOutcome::Failed)
                             SetStatusText(QString::fromUtf8(kRenameFailedMessage));
                         });
  });
}

// --- Previews ---

void TMainWindow::PreviewHandsFree() {
  RunGuarded([this] {
    const TLetters letters = preferences_.Recognition().Letters;
    if (PreviewSelectedSongsPass(
            QStringLiteral("Preview Hands-Free"), HandsFreePlanner(KnownSpellings(), letters),
            [letters](const TKnownSpellings* spellings) { return HandsFreePlanner(spellings, letters); })) {
      HandsFreeUpdate();
    }
  });
}

void TMainWindow::PreviewAutoRename() {
  RunGuarded([this] {
    if (PreviewSelectedSongsPass(QStringLiteral("Preview AutoRename"), kAutoRenamePlanner)) AutoRename();
  });
}

// --- The song list's pop-up menu ---

void TMainWindow::PlaySelectedSongs() {
  for (int row = 0; row < RowCount(); ++row) {
    if (!songListPane_->IsRowSelected(row)) continue;
    if (const TSongFile* song = SongAtRow(row)) OpenOrTell(dialogs_, song->FileName());
  }
}

void TMainWindow::ClearTagField(TTagField field) {
  RunGuarded([this, field] {
    RunSelectedSongsPass(
        QStringLiteral("ID3 Clear ") + TagFieldCaption(field), TPassCount::SongsTagged, false,
        {TTagsNeeded::Yes, [field](const TSongFile&, const TID3Info& tags) { return PlanClearTagField(tags, field); }});
  });
}

void TMainWindow::DeleteThisFile() {
  RunGuarded([this] {
    const TSongFile* song = SongAtRow(CurrentRow());
    if (song == nullptr) return;
    const std::string fileName = song->FileName();
    // The file goes to the desktop's trash, from where the user can bring it back; where there is no
    // trash, the question says that it goes for good.
    const bool toTrash = HasTrashFor(fileName);
    QString text = QStringLiteral("Are you sure you want to delete this file?\r\n") + PathToQString(fileName);
    if (!toTrash) text += QStringLiteral("\r\nThere is no trash here: the file will be deleted permanently.");
    if (dialogs_.MessageDlg(TMsgDlgType::Confirmation, QStringLiteral("Confirm"), text,
                            TMsgDlgButton::Yes | TMsgDlgButton::No, TMsgDlgButton::No) != TMsgDlgButton::Yes)
      return;
    if (toTrash) {
      if (std::string failure; !MoveToTrash(fileName, failure)) {
        ShowErrorText("Cannot move file " + fileName + " to the trash: " + failure);
      }
    } else if (const TResult deleted = DeleteSongFile(fileName); !deleted) {
      ShowErrorText(deleted.Describe() + ": " + deleted.Error().message());
    }
    LoadSongFolder(SelectedFolder());
    // The song is gone: nothing of it stays in the panel.
    ShowSongDetails();
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
  std::vector<int> rows(static_cast<std::size_t>(RowCount()));
  std::iota(rows.begin(), rows.end(), 0);
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
