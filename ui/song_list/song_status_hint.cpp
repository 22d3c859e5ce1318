#include "ui/song_list/song_status_hint.h"

#include "files/paths.h"
#include "songs/file_name_composition.h"
#include "songs/song_status.h"
#include "ui/text_conversion.h"

namespace tagwright {

namespace {

QString ColourName(TSongStatus status) {
  switch (status) {
    case TSongStatus::Incomplete: return QStringLiteral("Red");
    case TSongStatus::Unsaved: return QStringLiteral("Olive");
    case TSongStatus::Unrenamed: return QStringLiteral("Brick red");
    case TSongStatus::Pattern: return QStringLiteral("Teal");
    case TSongStatus::Good: break;
  }
  return QStringLiteral("Green");
}

// The hint of the song's state.
QString StateHint(const TSongFile& song);

}  // namespace

QString SongStatusHint(const TSongFile& song) {
  QString hint = StateHint(song);
  if (!song.TidiedName()) return hint;
  return hint + QStringLiteral(" (recognised after tidying the name)");
}

namespace {

QString StateHint(const TSongFile& song) {
  switch (SongStatusOf(song)) {
    case TSongStatus::Incomplete:
      if (song.Title().empty() && song.Artist().empty()) return QStringLiteral("Incomplete: no title and no artist");
      return song.Title().empty() ? QStringLiteral("Incomplete: no title") : QStringLiteral("Incomplete: no artist");
    case TSongStatus::Unsaved: return QStringLiteral("Unsaved ID3: the tag does not hold these details yet");
    case TSongStatus::Unrenamed: {
      const std::string composed = ComposeFileName(song, song.FileName());
      return QStringLiteral("Unrenamed File: the name is not '%1'")
          .arg(PathToQString(std::string(FileNamePart(composed))));
    }
    case TSongStatus::Pattern: return QStringLiteral("Pattern Matching: the details come from the file name");
    case TSongStatus::Good: break;
  }
  return QStringLiteral("ID3 Tag Used: the details come from the tag, and the file is named after them");
}

}  // namespace

QString StatusMarkHint(const TSongFile& song) {
  return QStringLiteral("%1 (%2)").arg(ColourName(SongStatusOf(song)), SongStatusHint(song));
}

QString NoSongMarkHint() { return QStringLiteral("The colour of the state of the song shown"); }

}  // namespace tagwright
