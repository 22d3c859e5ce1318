// The commands behind the buttons and the song list's pop-up menu entries. Each command is the
// catalogue's (commands/command_catalogue.h: its caption, its plan, its preview), carried out by the
// song pass of commands/song_pass.h; here the window gathers the selection and the panel's values
// into the command's input, asks its questions, shows what went wrong and reloads the list
// afterwards. Each handler runs inside RunGuarded, so that an error is shown and the window carries on.
#include <QItemSelectionModel>
#include <algorithm>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <utility>

#include "commands/command_catalogue.h"
#include "commands/song_pass.h"
#include "commands/song_plans.h"
#include "commands/song_trash.h"
#include "files/file_access.h"
#include "files/trash.h"
#include "history/history.h"
#include "songs/file_name_composition.h"
#include "songs/value_origin.h"
#include "ui/details/song_details_panel.h"
#include "ui/dialogs/dialogs.h"
#include "ui/folders/folder_pane.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/text_conversion.h"
#include "ui/window/main_window.h"
#include "ui/window/pass_summary.h"
#include "ui/window/status_panels.h"

namespace tagwright {

namespace {

// What a stamp of several songs does with the shared fields the user emptied: it leaves them.
QString EmptiedFieldsNote(const QStringList& fields) {
  QStringList sentences;
  for (const QString& field : fields) {
    sentences << QStringLiteral(
                     "%1 emptied: the stamp leaves each song's %1 as it is. To blank it on every selected "
                     "song, use ID3 Clear > %1 in the song list's menu.")
                     .arg(field);
  }
  return sentences.join(QLatin1Char('\n'));
}

// What a stamp of several songs leaves unwritten that the songs show: a title or track that
// differs from song to song is not the panel's to write, and when some song has it from its file
// name alone, the commands that write it from each name are named.
QString NotWrittenNote(const std::vector<const TSongFile*>& songs) {
  QStringList sentences;
  for (const auto& [field, caption] : {std::pair{TSongField::Title, "Title"}, std::pair{TSongField::Track, "Track"}}) {
    const auto differs = [&songs, field = field](const TSongFile* song) {
      return song->Field(field) != songs.front()->Field(field);
    };
    const auto fromName = [field = field](const TSongFile* song) { return ShownFromFileNameOnly(*song, field); };
    if (songs.size() < 2 || !std::any_of(songs.begin(), songs.end(), differs) ||
        !std::any_of(songs.begin(), songs.end(), fromName)) {
      continue;
    }
    sentences << QStringLiteral(
                     "%1 differs from song to song: the stamp does not write it, and some songs show it from "
                     "their file names only. Stamp Recognized or Hands-Free writes each song's %1.")
                     .arg(QLatin1String(caption));
  }
  return sentences.join(QLatin1Char('\n'));
}

QString JoinedNotes(const QStringList& notes) {
  QStringList said;
  for (const QString& note : notes) {
    if (!note.isEmpty()) said << note;
  }
  return said.join(QLatin1Char('\n'));
}

}  // namespace

// --- Stamping ---

void TMainWindow::StampWithDetails() {
  if (HasUnstampedEdits() && ViewMode() == TViewMode::Columns) {
    StampEditedSongs();
    return;
  }
  RunGuarded([this] { (void)StampSelectedWithPanel(); });  // the summary line says what became of the songs
}

TPassSummary TMainWindow::StampSelectedWithPanel() {
  const bool single = SelectedSongCount() == 1;
  const bool typed = single && detailsPanel_->HasChanges();
  const QStringList texts = detailsPanel_->TypedTexts();
  if (!HasSelectedSongsOrSay()) return {};
  // The pass may run on a worker: it takes the panel's values in hand.
  const TPanelValues panel = TrimmedPanelValues();
  std::vector<int> selected;
  for (int row = 0; row < RowCount(); ++row) {
    if (songListPane_->IsRowSelected(row)) selected.push_back(row);
  }
  if (RefusesYear(panel.Year, selected)) return {};
  const TCatalogueCommand& stamp = CatalogueCommand(TCommandId::StampPanel);
  TCommandInput input = CommandInput();
  input.Panel = panel;
  input.Songs = single ? TSelectedSongs::One : TSelectedSongs::Several;
  const TPassRequest request = RequestFor(stamp, input);
  if (!single && previewBeforeChanging_) {
    PreviewCommand(
        stamp, input, request,
        JoinedNotes({EmptiedFieldsNote(detailsPanel_->EmptiedSharedFields()), NotWrittenNote(SelectedSongs())}));
    return {};
  }
  TPassSummary summary = RunSelectedSongsPass(request);
  // A stamp refused or failed keeps what was typed.
  if (typed && !StampHolds(summary)) detailsPanel_->RestoreTypedTexts(texts);
  return summary;
}

void TMainWindow::StampRecognized() {
  RunGuarded([this] { (void)RunCatalogueCommand(TCommandId::StampRecognized); });
}

// --- Renaming ---

void TMainWindow::AutoRename() {
  RunGuarded([this] { (void)RunCatalogueCommand(TCommandId::AutoRename); });
}

void TMainWindow::RenameWithDetails() {
  RunGuarded([this] {
    const bool single = SelectedSongCount() == 1;
    if (!HasSelectedSongsOrSay()) return;
    TCommandInput input = CommandInput();
    input.Panel.Artist = detailsPanel_->TrimField(TDetailsField::Artist);
    input.Panel.Title = detailsPanel_->TrimField(TDetailsField::Title);
    input.Panel.Track = detailsPanel_->TrimField(TDetailsField::Track);
    input.Songs = single ? TSelectedSongs::One : TSelectedSongs::Several;
    TPassRequest request = RequestFor(CatalogueCommand(TCommandId::RenameWithDetails), input);
    request.OnResult = [this](const TSongResult& result) {
      if (result.Outcome != TChangeOutcome::Failed) return;
      SetStatusText(QString::fromUtf8(result.Reason().c_str()));
      // The message stays readable a while before the reload replaces it.
      pauseBeforeReload_ = true;
    };
    RunSelectedSongsPass(request);
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
    if (!runner_->ChangesRefusedBecause().empty()) {
      ShowErrorText(runner_->ChangesRefusedBecause());
      return;
    }
    TCommandInput input = CommandInput();
    input.NewName = QStringToPath(typed);
    const TPassRun run = runner_->Run({song}, RequestFor(CatalogueCommand(TCommandId::RenameThisFile), input));
    if (run.Summary.Renamed == 0) {
      QString text = QStringLiteral("Error renaming file");
      if (!run.Results.empty())
        text += QStringLiteral("\r\n") + QString::fromUtf8(run.Results.front().ReasonWithError());
      dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), text, TMsgDlgButton::OK);
      return;
    }
    ReloadSongFolderNow();
  });
}

// --- Automatic updates ---

void TMainWindow::UseFileNameAsTitle() {
  RunGuarded([this] { (void)RunCatalogueCommand(TCommandId::FileNameAsTitle); });
}

void TMainWindow::CleanUpDetails() {
  RunGuarded([this] { (void)RunCatalogueCommand(TCommandId::DetailsCleanup); });
}

void TMainWindow::HandsFreeUpdate() {
  RunGuarded([this] { (void)RunCatalogueCommand(TCommandId::HandsFree); });
}

// --- Previews ---

void TMainWindow::PreviewHandsFree() {
  RunGuarded([this] { (void)RunCatalogueCommand(TCommandId::HandsFree, TPreview::Asked); });
}

void TMainWindow::PreviewAutoRename() {
  RunGuarded([this] { (void)RunCatalogueCommand(TCommandId::AutoRename, TPreview::Asked); });
}

TCommandInput TMainWindow::CommandInput() const {
  TCommandInput input;
  input.Tidy = {.Spellings = KnownSpellings(),
                .Letters = preferences_.Recognition().Letters,
                .SmallWordsInLowerCase = preferences_.SmallWordsInLowerCase,
                .TitleWithMix = preferences_.TitleWithMix};
  return input;
}

TPassRequest TMainWindow::RequestFor(const TCatalogueCommand& command, const TCommandInput& input) {
  TPassRequest request;
  request.Command = ToQString(WindowCaption(command, input));
  request.Count = command.Count;
  request.Unwritable = command.Unwritable;
  request.Planner = command.Planner(input);
  return request;
}

void TMainWindow::PreviewCommand(const TCatalogueCommand& command, const TCommandInput& input,
                                 const TPassRequest& request, const QString& note) {
  // The commands that clean texts say what Keep Known Spellings would keep.
  TPlannerWithSpellings withSpellings;
  if (command.Cleans != TCleansText::No) {
    withSpellings = [&command, input](const TKnownSpellings* spellings) {
      TCommandInput keeping = input;
      keeping.Tidy.Spellings = spellings;
      return command.Planner(keeping);
    };
  }
  // The command follows the preview's Apply, over the songs it showed.
  PreviewSelectedSongsPass(
      QString::fromUtf8(command.PreviewCaption), request.Planner, withSpellings,
      [this, request](const TSongsInHand& songs) { (void)RunSongsPass(songs, request); }, note);
}

TPassSummary TMainWindow::RunCatalogueCommand(TCommandId id, TPreview preview, const TCommandInput* gathered) {
  if (busy_ > 0 || !HasSelectedSongsOrSay()) return {};
  const TCatalogueCommand& command = CatalogueCommand(id);
  const TCommandInput input = gathered != nullptr ? *gathered : CommandInput();
  // Input the command cannot run with is said before any song is touched.
  if (const std::string problem = InputProblem(command, input); !problem.empty()) {
    ShowErrorText(problem);
    return {};
  }
  TPassRequest request = RequestFor(command, input);
  // A command that renames says so when a song could not be renamed.
  if (command.Count == TPassCount::Renamed || command.Count == TPassCount::SongsUpdated) {
    request.OnResult = [this](const TSongResult& result) {
      if (result.Outcome == TChangeOutcome::Failed) SetStatusText(QString::fromUtf8(kRenameFailedMessage));
    };
  }
  if (preview == TPreview::Asked || (previewBeforeChanging_ && SelectedSongCount() > 1)) {
    PreviewCommand(command, input, request);
    return {};
  }
  return RunSelectedSongsPass(request);
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
    TCommandInput input = CommandInput();
    input.Field = field;
    RunSelectedSongsPass(RequestFor(CatalogueCommand(TCommandId::ClearField), input));
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
    TCommandInput input = CommandInput();
    input.Removal = toTrash ? TRemoval::IntoTrash : TRemoval::ForGood;
    // A change of the history like any other, which undo takes back out of the trash.
    const TPassRun run = runner_->Run({song}, RequestFor(CatalogueCommand(TCommandId::DeleteThisFile), input));
    if (run.Summary.Changed == 0 && !run.Results.empty()) {
      ShowErrorText(RemovalFailureText(run.Results.front(), input.Removal));
    }
    ReloadSongFolderNow();
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
