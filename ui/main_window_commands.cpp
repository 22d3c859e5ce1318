// The commands behind the buttons and pop-up menu entries. The work on each song is the core's
// (commands/song_plans.h); here the window gathers the selection and the panel's values, asks
// its questions and reloads the list afterwards. Each handler runs inside RunGuarded, so that an
// error is shown and the window carries on.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <chrono>
#include <optional>
#include <thread>

#include "commands/song_plans.h"
#include "files/file_access.h"
#include "songs/file_name_composition.h"
#include "songs/recognition.h"
#include "songs/text_cleanup.h"
#include "text/ascii_text.h"
#include "ui/dialogs.h"
#include "ui/folder_tree.h"
#include "ui/main_window.h"
#include "ui/song_list_box.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

constexpr auto kPauseAfterRenameFailure = std::chrono::milliseconds(2000);

std::string FieldText(const QLineEdit* field) { return ToStdString(field->text()); }

// Trims a panel field in place, so that it shows what is written.
std::string TrimField(QLineEdit* field) {
  const std::string text = FieldText(field);
  const std::string trimmed = TrimText(text);
  if (text != trimmed) field->setText(ToQString(trimmed));
  return trimmed;
}

}  // namespace

void TfrmRo3VavMain::RunSelectedSongsPass(bool askWhenUnwritable, const TSongPlanner& planner,
                                          const std::function<void(const TSongResult&)>& onResult,
                                          const std::function<void()>& afterLastRow) {
  const int remembered = CurrentRow();
  std::vector<const TSongFile*> selected;
  for (int row = 0; row < RowCount(); ++row) {
    if (!lstFiles->IsRowSelected(row)) continue;
    if (const TSongFile* song = SongAtRow(row)) selected.push_back(song);
  }

  TPassHooks hooks;
  hooks.OnUnwritable = [&](const TSongFile& song) {
    if (!askWhenUnwritable) return TPassStep::Continue;
    const QString text =
        PathToQString(std::string(FileNamePart(song.FileName()))) + QStringLiteral(" cannot be written to.  Continue?");
    const bool goOn = dialogs_.MessageDlg(TMsgDlgType::mtError, QStringLiteral("Error"), text, mbYes | mbNo) == mbYes;
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
  try {
    const TPassSummary summary = RunSongPass(selected, planner, TPassMode::Apply, hooks);
    if (!summary.Stopped && afterLastRow) afterLastRow();
  } catch (...) {
    LoadSongFolder(SelectedFolder());
    SelectSingleRow(lstFiles, remembered);
    throw;
  }
  LoadSongFolder(SelectedFolder());
  SelectSingleRow(lstFiles, remembered);
}

TPanelValues TfrmRo3VavMain::TrimmedPanelValues() {
  TPanelValues panel;
  panel.Artist = TrimField(txtArtistDisplay);
  panel.Title = TrimField(txtTitleDisplay);
  panel.Album = TrimField(txtAlbumDisplay);
  panel.Year = TrimField(txtYearDisplay);
  panel.Comment = TrimField(txtCommentDisplay);
  panel.Track = TrimField(txtTrackDisplay);
  panel.Genre = ToStdString(cboGenreDisplay->currentText());
  return panel;
}

// --- Stamping ---

void TfrmRo3VavMain::cmdUpdateID3TagsClick() {
  RunGuarded([this] {
    const bool single = SelectedSongCount() == 1;
    std::optional<TPanelValues> panel;  // trimmed when the first song is planned
    RunSelectedSongsPass(true, {TTagsNeeded::Yes, [&](const TSongFile&, const TID3Info& tags) {
                                  if (!panel) panel = TrimmedPanelValues();
                                  return PlanStampFromPanel(tags, *panel, single);
                                }});
  });
}

void TfrmRo3VavMain::popStampID3TagsClick() {
  RunGuarded([this] { RunSelectedSongsPass(true, {TTagsNeeded::Yes, PlanStampRecognized}); });
}

// --- Renaming ---

void TfrmRo3VavMain::cmdRenameFilesClick() {
  RunGuarded([this] {
    const TSongPlanner planner{TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }};
    RunSelectedSongsPass(true, planner, [this](const TSongResult& result) {
      if (result.Outcome == TChangeOutcome::Failed) SetStatusText(QString::fromUtf8(kRenameFailedMessage));
    });
  });
}

void TfrmRo3VavMain::cmdRenameFilesWithDetailsClick() {
  RunGuarded([this] {
    const bool single = SelectedSongCount() == 1;
    bool messageShown = false;
    std::optional<TPanelValues> panel;  // trimmed when the first song is planned
    const TSongPlanner planner{TTagsNeeded::No, [&](const TSongFile& song, const TID3Info&) {
                                 if (!panel) {
                                   panel.emplace();
                                   panel->Artist = TrimField(txtArtistDisplay);
                                   panel->Title = TrimField(txtTitleDisplay);
                                   panel->Track = TrimField(txtTrackDisplay);
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

void TfrmRo3VavMain::popRenameFileClick() {
  RunGuarded([this] {
    TSongFile* song = SongAtRow(CurrentRow());
    if (song == nullptr) return;
    const std::string fileName = song->FileName();
    QString typed = PathToQString(std::string(FileNamePart(fileName)));
    if (!dialogs_.InputQuery(QStringLiteral("Rename File"), QStringLiteral("New filename"), typed)) return;
    const std::optional<std::string> target = ManualRenameTarget(fileName, QStringToPath(typed));
    if (!target || !RenameWithoutReplacing(fileName, *target).Ok()) {
      dialogs_.MessageDlg(TMsgDlgType::mtError, QStringLiteral("Error"), QStringLiteral("Error renaming file"), mbOK);
      return;
    }
    LoadSongFolder(SelectedFolder());
  });
}

// --- Automatic updates ---

void TfrmRo3VavMain::cmdUseFilenameAsTitleClick() {
  RunGuarded([this] {
    RunSelectedSongsPass(true, {TTagsNeeded::Yes, PlanFileNameAsTitle});
  });
}

void TfrmRo3VavMain::cmdTitleArtistCleanupToID3Click() {
  RunGuarded([this] {
    RunSelectedSongsPass(true, {TTagsNeeded::Yes, PlanDetailsCleanup});
  });
}

void TfrmRo3VavMain::cmdHandsFreeUpdateClick() {
  RunGuarded([this] {
    const TSongPlanner planner{TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanHandsFree(song); }};
    RunSelectedSongsPass(false, planner, [this](const TSongResult& result) {
      if (result.Outcome == TChangeOutcome::Failed) SetStatusText(QString::fromUtf8(kRenameFailedMessage));
    });
  });
}

// --- The song list's pop-up menu ---

void TfrmRo3VavMain::popPlaySongsClick() {
  for (int row = 0; row < RowCount(); ++row) {
    if (!lstFiles->IsRowSelected(row)) continue;
    if (const TSongFile* song = SongAtRow(row)) dialogs_.OpenWithAssociatedApplication(song->FileName());
  }
}

void TfrmRo3VavMain::ClearTagField(TTagField field) {
  RunGuarded([this, field] {
    RunSelectedSongsPass(false, {TTagsNeeded::Yes, [field](const TSongFile&, const TID3Info& tags) {
                                   return PlanClearTagField(tags, field);
                                 }});
  });
}

void TfrmRo3VavMain::mnuClearArtistClick() { ClearTagField(TTagField::Artist); }
void TfrmRo3VavMain::mnuClearTitleClick() { ClearTagField(TTagField::Title); }
void TfrmRo3VavMain::mnuClearTrackClick() { ClearTagField(TTagField::Track); }
void TfrmRo3VavMain::mnuClearAlbumClick() { ClearTagField(TTagField::Album); }
void TfrmRo3VavMain::mnuClearYearClick() { ClearTagField(TTagField::Year); }
void TfrmRo3VavMain::mnuClearGenreClick() { ClearTagField(TTagField::Genre); }
void TfrmRo3VavMain::mnuClearCommentClick() { ClearTagField(TTagField::Comment); }

void TfrmRo3VavMain::popDeleteFileClick() {
  RunGuarded([this] {
    const TSongFile* song = SongAtRow(CurrentRow());
    if (song == nullptr) return;
    const std::string fileName = song->FileName();
    const QString text = QStringLiteral("Are you sure you want to delete this file?\r\n") + PathToQString(fileName);
    if (dialogs_.MessageDlg(TMsgDlgType::mtConfirmation, QStringLiteral("Confirm"), text, mbYes | mbNo) != mbYes) return;
    if (const TResult deleted = DeleteSongFile(fileName); !deleted) {
      ShowErrorText(deleted.Describe() + ": " + deleted.Error().message());
    }
    LoadSongFolder(SelectedFolder());
  });
}

void TfrmRo3VavMain::popSelectArtistClick() {
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

void TfrmRo3VavMain::SelectRows(const std::vector<int>& rows) {
  QItemSelection selection;
  for (int row : rows) {
    const QModelIndex index = lstFiles->model()->index(row, 0);
    selection.select(index, index);
  }
  lstFiles->selectionModel()->select(selection, QItemSelectionModel::Select);
}

void TfrmRo3VavMain::popSelectAllClick() {
  if (RowCount() == 0) return;
  std::vector<int> rows;
  for (int row = 0; row < RowCount(); ++row) rows.push_back(row);
  SelectRows(rows);
  ShowSongDetails();
}

// The entry's tick has already flipped when this runs.
void TfrmRo3VavMain::popchkIncludeSubdirectoriesClick() {
  RunGuarded([this] { LoadSongFolder(SelectedFolder()); });
}

void TfrmRo3VavMain::popRefreshClick() {
  RunGuarded([this] {
    bool subfolders = popchkIncludeSubdirectories->isChecked();
    const QModelIndex selected = ShellTreeView1->SelectedNode();
    if (selected.isValid()) {
      const QModelIndex parent = selected.parent();
      if (parent.isValid() && parent != ShellTreeView1->rootIndex()) {
        ShellTreeView1->RefreshNode(parent);
      } else {
        // The top node: its own folders are re-read, and subfolders are no longer scanned.
        ShellTreeView1->RefreshNode(selected);
        subfolders = false;
      }
    }
    popchkIncludeSubdirectories->setChecked(subfolders);
    LoadSongFolder(SelectedFolder());
  });
}

// --- The song details fields' pop-up menu ---

QLineEdit* TfrmRo3VavMain::FocusedEditField() const { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }

void TfrmRo3VavMain::popSDUnderscoresToSpacesClick() {
  if (QLineEdit* field = FocusedEditField()) field->setText(ToQString(UnderscoresToSpaces(FieldText(field))));
}

void TfrmRo3VavMain::popSDInitialCapsClick() {
  if (QLineEdit* field = FocusedEditField()) field->setText(ToQString(InitialCaps(FieldText(field))));
}

void TfrmRo3VavMain::popSDRemoveArtistNameFromTitleBeginningClick() {
  const std::string artist = TrimField(txtArtistDisplay);
  const std::string title = TrimField(txtTitleDisplay);
  txtTitleDisplay->setText(ToQString(RemoveArtistFromTitle(artist, title)));
}

void TfrmRo3VavMain::UpdateFieldFromFileName(QLineEdit* field, bool artist) {
  TSongFile* song = SongAtRow(CurrentRow());
  if (song == nullptr || SelectedSongCount() != 1) return;
  TTokenList tokens;
  RecognizeFileName(song->FileName(), tokens, *song);
  if (song->Recognition() == TRecognition::Failed) return;
  if (artist && !song->Artist().empty()) field->setText(ToQString(song->Artist()));
  if (!artist && !song->Title().empty()) field->setText(ToQString(song->FullTitle()));
}

void TfrmRo3VavMain::cmdUpdFilenameArtistClick() {
  RunGuarded([this] { UpdateFieldFromFileName(txtArtistDisplay, true); });
}

void TfrmRo3VavMain::cmdUpdFilenameTitleClick() {
  RunGuarded([this] { UpdateFieldFromFileName(txtTitleDisplay, false); });
}

void TfrmRo3VavMain::CutSelectionTo(QLineEdit* target) {
  QLineEdit* source = FocusedEditField();
  if (source == nullptr || !source->hasSelectedText()) return;
  source->cut();
  target->setSelection(0, 0);
  target->setCursorPosition(0);
  target->paste();
  std::string tidied = TrimText(FieldText(source));
  while (!tidied.empty() && tidied.front() == '-') tidied = TrimText(std::string_view(tidied).substr(1));
  source->setText(ToQString(tidied));
}

void TfrmRo3VavMain::mnuCutToArtistClick() { CutSelectionTo(txtArtistDisplay); }
void TfrmRo3VavMain::mnuCutToTitleClick() { CutSelectionTo(txtTitleDisplay); }
void TfrmRo3VavMain::mnuCutToAlbumClick() { CutSelectionTo(txtAlbumDisplay); }
void TfrmRo3VavMain::mnuCutToCommentClick() { CutSelectionTo(txtCommentDisplay); }
void TfrmRo3VavMain::mnuCutToTrackClick() { CutSelectionTo(txtTrackDisplay); }

void TfrmRo3VavMain::Cut1Click() {
  if (QLineEdit* field = FocusedEditField()) field->cut();
}

void TfrmRo3VavMain::Copy1Click() {
  if (QLineEdit* field = FocusedEditField()) field->copy();
}

void TfrmRo3VavMain::Paste1Click() {
  if (QLineEdit* field = FocusedEditField()) field->paste();
}

}  // namespace tagwright
