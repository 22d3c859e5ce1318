// The details changed by hand in the song table: the stamp that writes exactly the changed fields of
// the changed songs, and the question when they would be left behind.
#include "commands/command_catalogue.h"
#include "ui/dialogs/dialogs.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/window/main_window.h"
#include "ui/workers/command_runner.h"

namespace tagwright {

bool TMainWindow::HasUnstampedEdits() const { return !songListPane_->Edits().Empty(); }

void TMainWindow::StampEditedSongs() {
  RunGuarded([this] {
    const std::vector<int> rows = songListPane_->EditedRows();
    if (rows.empty()) return;
    // The edits in hand: the pass reads them while the songs' records are listed afresh after it.
    const TSongEdits edits = songListPane_->Edits();
    for (const int row : rows) {
      const TFieldEdits* changed = SongAtRow(row) != nullptr ? edits.For(SongAtRow(row)->FileName()) : nullptr;
      const std::optional<std::string>* year =
          changed != nullptr ? &(*changed)[static_cast<std::size_t>(TSongField::Year)] : nullptr;
      if (year != nullptr && *year && RefusesYear(**year, {})) return;  // the edits stay for another try
    }
    const TCatalogueCommand& stamp = CatalogueCommand(TCommandId::StampEditedCells);
    TCommandInput input = CommandInput();
    input.Edits = edits;
    songListPane_->UnselectAllRows();
    SelectRows(rows);
    TPassRequest request = RequestFor(stamp, input);
    request.OnResult = [this](const TSongResult& result) {
      // Written, or already held by the tag: the edit is done with.
      const bool done = result.Outcome != TChangeOutcome::Failed && result.Failure.Kind() == TFailureKind::None;
      if (done) songListPane_->Edits().Forget(result.FileName);
    };
    // Several songs are shown before they are written, as the previews do.
    if (rows.size() > 1) {
      PreviewCommand(stamp, input, request);
      return;
    }
    (void)RunSelectedSongsPass(request);
  });
}

bool TMainWindow::AskAboutUnstampedEdits() {
  if (!HasUnstampedEdits()) return false;
  const QString question = QStringLiteral(
                               "%1 song(s) have details changed in the table that are not stamped yet.\n"
                               "Stamp them before leaving the folder?")
                               .arg(songListPane_->Edits().SongCount());
  const bool stamp = dialogs_.MessageDlg(TMsgDlgType::Confirmation, QStringLiteral("Confirm"), question,
                                         TMsgDlgButton::Yes | TMsgDlgButton::No) == TMsgDlgButton::Yes;
  if (stamp) StampEditedSongs();
  songListPane_->Edits().Clear();
  return stamp;
}

}  // namespace tagwright
