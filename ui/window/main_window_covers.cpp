// The cover box's commands: its menu sets, adds or removes the selected songs' front cover, or
// removes every picture; a picture dropped on it becomes their front cover once the user agrees.
// Each runs the catalogue's cover command over the selected songs like any other, preview first
// as preferred. Saving the current song's cover as "cover.jpg" (or .png) beside it changes no song.
#include <QFileInfo>

#include "commands/command_catalogue.h"
#include "commands/cover_export.h"
#include "files/paths.h"
#include "ui/details/song_media_panel.h"
#include "ui/dialogs/dialogs.h"
#include "ui/text_conversion.h"
#include "ui/window/main_window.h"

namespace tagwright {

void TMainWindow::ChangeCover(TCoverChoice choice) {
  RunGuarded([this, choice] {
    if (busy_ > 0 || !HasSelectedSongsOrSay()) return;
    TCommandInput input = CommandInput();
    switch (choice) {
      case TCoverChoice::SetFromFile:
      case TCoverChoice::AddFromFile: {
        QString picture;
        if (!dialogs_.ChoosePictureFile(PathToQString(shownFolder_), picture)) return;
        input.Cover.PictureFile = QStringToPath(picture);
        input.Cover.Action =
            choice == TCoverChoice::SetFromFile ? TPictureAction::SetFrontCover : TPictureAction::AddFrontCover;
        break;
      }
      case TCoverChoice::FromFolder: input.Cover.Action = TPictureAction::SetFrontCover; break;
      case TCoverChoice::RemoveFront: input.Cover.Action = TPictureAction::RemoveFrontCover; break;
      case TCoverChoice::RemoveAll: input.Cover.Action = TPictureAction::RemoveAll; break;
      case TCoverChoice::SaveNextToSong: return SaveCurrentCover();
    }
    (void)RunCatalogueCommand(TCommandId::ChangeCover, TPreview::AsPreferred, &input);
  });
}

void TMainWindow::SaveCurrentCover() {
  const TSongFile* song = SongAtRow(CurrentRow());
  if (song == nullptr) return;
  const TCoverSave save = SaveSongCover(song->FileName(), "cover", TPassMode::Apply);
  if (!save.Failure) {
    SetStatusText(ToQString(save.Failure.DescribeWithError()));
  } else if (!save.Skip.empty()) {
    SetStatusText(ToQString("No cover saved: " + save.Skip));
  } else {
    SetStatusText(
        QStringLiteral("Saved the cover as %1").arg(PathToQString(std::string(FileNamePart(save.SavedFile)))));
  }
}

void TMainWindow::TakeDroppedPicture(const QString& path) {
  RunGuarded([this, &path] {
    if (busy_ > 0 || !HasSelectedSongsOrSay()) return;
    const int songs = SelectedSongCount();
    const QString question =
        QStringLiteral("Make %1 the front cover of %2?")
            .arg(QFileInfo(path).fileName(),
                 songs == 1 ? QStringLiteral("the selected song") : QStringLiteral("the %1 selected songs").arg(songs));
    if (dialogs_.MessageDlg(TMsgDlgType::Confirmation, QStringLiteral("Confirm"), question,
                            TMsgDlgButton::Yes | TMsgDlgButton::No) != TMsgDlgButton::Yes) {
      return;
    }
    TCommandInput input = CommandInput();
    input.Cover.Action = TPictureAction::SetFrontCover;
    input.Cover.PictureFile = QStringToPath(path);
    (void)RunCatalogueCommand(TCommandId::ChangeCover, TPreview::AsPreferred, &input);
  });
}

}  // namespace tagwright
