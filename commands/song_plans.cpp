#include "commands/song_plans.h"

#include "files/paths.h"
#include "songs/file_name_composition.h"
#include "songs/recognition.h"
#include "songs/text_cleanup.h"
#include "text/ascii_text.h"

namespace tagwright {

namespace {

constexpr const char* kNoTitleOrArtist = "no title or artist recognised";
constexpr const char* kAlreadyNamed = "already named after its details";

TSongChange TagChange(TID3Info tags) {
  TSongChange change;
  change.WriteTags = true;
  change.Tags = std::move(tags);
  return change;
}

// Renaming to the name the file already has changes nothing, so it is no change at all.
void RenameTo(TSongChange& change, const std::string& current, std::string target) {
  if (target == current) {
    if (!change.WriteTags) change.Skip = kAlreadyNamed;
    return;
  }
  change.NewFileName = std::move(target);
}

}  // namespace

TSongChange PlanStampFromPanel(TID3Info tags, const TPanelValues& panel, TSelectedSongs songs) {
  const bool singleSong = songs == TSelectedSongs::One;
  const auto take = [singleSong](std::string& field, const std::string& value) {
    if (!value.empty() || singleSong) field = value;
  };
  take(tags.Artist, panel.Artist);
  take(tags.Title, panel.Title);
  take(tags.Album, panel.Album);
  take(tags.Year, panel.Year);
  take(tags.Comment, panel.Comment);
  take(tags.Genre, panel.Genre);
  if (!panel.Track.empty() || singleSong) tags.SetTrackText(panel.Track);
  return TagChange(std::move(tags));
}

TSongChange PlanStampEditedFields(TID3Info tags, const TFieldEdits& edits) {
  const auto take = [&edits](std::string& tag, TSongField field) {
    if (const auto& text = edits[static_cast<std::size_t>(field)]) tag = *text;
  };
  take(tags.Artist, TSongField::Artist);
  take(tags.Title, TSongField::Title);
  take(tags.Album, TSongField::Album);
  take(tags.Year, TSongField::Year);
  take(tags.Comment, TSongField::Comment);
  take(tags.Genre, TSongField::Genre);
  if (const auto& track = edits[static_cast<std::size_t>(TSongField::Track)]) tags.SetTrackText(*track);
  return TagChange(std::move(tags));
}

TSongChange PlanStampRecognized(const TSongFile& song, TID3Info tags) {
  if (!song.Title().empty()) tags.Title = song.FullTitle();
  if (!song.Artist().empty()) tags.Artist = song.Artist();
  if (!song.Album().empty()) tags.Album = song.Album();
  if (!song.Year().empty()) tags.Year = song.Year();
  if (!song.Comment().empty()) tags.Comment = song.Comment();
  const std::string track = song.PaddedTrack();
  if (!track.empty()) tags.SetTrackText(track);
  if (!song.Genre().empty()) tags.Genre = song.Genre();
  return TagChange(std::move(tags));
}

TSongChange PlanAutoRename(const TSongFile& song) {
  TSongChange change;
  if (song.Title().empty() && song.Artist().empty()) {
    change.Skip = kNoTitleOrArtist;
    return change;
  }
  RenameTo(change, song.FileName(), ComposeFileName(song, song.FileName()));
  return change;
}

TSongChange PlanRenameWithDetails(const TSongFile& listed, const TPanelValues& panel, TSelectedSongs songs) {
  const bool singleSong = songs == TSelectedSongs::One;
  TSongFile song = listed;
  TSongChange change;
  // With several songs, one whose recognition found neither title nor artist keeps its name: its
  // name is all it tells, and the panel's shared values would put nothing of it back.
  if (!singleSong && song.Title().empty() && song.Artist().empty()) {
    change.Skip = kNoTitleOrArtist;
    return change;
  }
  std::string artist = song.Artist();
  std::string title = song.FullTitle();
  std::string track = song.PaddedTrack();
  if (!panel.Artist.empty() || singleSong) artist = panel.Artist;
  if (!panel.Title.empty() || singleSong) title = panel.Title;
  if (!panel.Track.empty() || singleSong) track = panel.Track;
  // One song is judged by the values its name is composed of: what the panel holds, recognised or not.
  if (title.empty() && artist.empty()) {
    change.Skip = kNoTitleOrArtist;
    return change;
  }
  song.SetTitle(title);
  song.SetArtist(artist);
  song.SetTrack(track);
  song.SetMix("");

  change.RefuseTakenName = true;
  RenameTo(change, song.FileName(), ComposeFileName(song, song.FileName()));
  return change;
}

TSongChange PlanFileNameAsTitle(const TSongFile& listed, TID3Info tags) {
  TSongDetails song = listed;
  const std::string_view name = CutAtLastDot(FileNamePart(listed.FileName()));
  song.SetTitle(name);
  tags.Title = song.FullTitle();
  return TagChange(std::move(tags));
}

TSongChange PlanDetailsCleanup(const TSongFile& song, TID3Info tags) {
  return PlanDetailsCleanupKeeping(song, std::move(tags), TTidyOptions{});
}

TSongChange PlanDetailsCleanupKeeping(const TSongFile& listed, TID3Info tags, const TTidyOptions& options) {
  TSongDetails song = listed;
  if (!song.Title().empty()) {
    song.SetTitle(CleanupTitle(song.Artist(), song.Title(), options));
    tags.Title = song.FullTitle();
  }
  if (!song.Artist().empty()) {
    song.SetArtist(CleanupText(song.Artist(), options));
    tags.Artist = song.Artist();
  }
  if (!song.Album().empty()) {
    song.SetAlbum(CleanupText(song.Album(), options));
    tags.Album = song.Album();
  }
  if (!song.Year().empty()) tags.Year = song.Year();
  if (!song.Comment().empty()) tags.Comment = song.Comment();
  if (!song.Genre().empty()) tags.Genre = song.Genre();
  const std::string track = song.PaddedTrack();
  if (!track.empty()) tags.SetTrackText(track);
  return TagChange(std::move(tags));
}

TSongChange PlanHandsFree(const TSongFile& song) { return PlanHandsFree(song, TTidyOptions{}); }

TSongChange PlanHandsFree(const TSongFile& song, const TTidyOptions& options) {
  TSongChange change;
  if (song.Recognition() == TRecognition::Failed) {
    change.Skip = "not recognised";
    return change;
  }
  TSongDetails cleaned;
  cleaned.Assign(song);
  // The whole cleaned stem is compared: a part after a dot is still part of the name, and a word
  // there that the details lack must keep the file as it is.
  const std::string stem = CleanupText(FileNameStem(song.FileName()), options);
  cleaned.SetTitle(CleanupTitle(cleaned.Artist(), cleaned.Title(), options));
  cleaned.SetArtist(CleanupText(cleaned.Artist(), options));
  if (stem.empty() || !TextHoldsOnlyDetails(cleaned, stem, options.Letters)) {
    change.Skip = "file name holds more than the details";
    return change;
  }

  change.WriteTags = true;
  change.Tags.Artist = cleaned.Artist();
  change.Tags.Title = options.TitleWithMix ? cleaned.FullTitle() : cleaned.Title();
  change.Tags.Album = cleaned.Album();
  change.Tags.Year = cleaned.Year();
  change.Tags.Comment = cleaned.Comment();
  change.Tags.Genre = cleaned.Genre();
  change.Tags.SetTrackText(cleaned.PaddedTrack());
  if (!song.Title().empty() || !song.Artist().empty()) {
    RenameTo(change, song.FileName(), ComposeFileName(cleaned, song.FileName()));
  }
  return change;
}

std::optional<TTagField> TagFieldNamed(const std::string& name) {
  static constexpr std::pair<const char*, TTagField> kNames[] = {
      {"artist", TTagField::Artist},   {"title", TTagField::Title}, {"track", TTagField::Track},
      {"album", TTagField::Album},     {"year", TTagField::Year},   {"genre", TTagField::Genre},
      {"comment", TTagField::Comment},
  };
  for (const auto& [text, field] : kNames) {
    if (name == text) return field;
  }
  return std::nullopt;
}

const char* TagFieldCaption(TTagField field) {
  switch (field) {
    case TTagField::Artist: return "Artist";
    case TTagField::Title: return "Title";
    case TTagField::Track: return "Track";
    case TTagField::Album: return "Album";
    case TTagField::Year: return "Year";
    case TTagField::Genre: return "Genre";
    case TTagField::Comment: break;
  }
  return "Comment";
}

TSongChange PlanClearTagField(TID3Info tags, TTagField field) {
  switch (field) {
    case TTagField::Artist: tags.Artist.clear(); break;
    case TTagField::Title: tags.Title.clear(); break;
    case TTagField::Track: tags.Track = 0; break;
    case TTagField::Album: tags.Album.clear(); break;
    case TTagField::Year: tags.Year.clear(); break;
    case TTagField::Genre: tags.Genre.clear(); break;
    case TTagField::Comment: tags.Comment.clear(); break;
  }
  return TagChange(std::move(tags));
}

std::optional<std::string> ManualRenameTarget(const std::string& fileName, const std::string& typedName) {
  // A name starting with "." would hide the file (or have no stem at all).
  if (typedName.empty() || typedName.front() == '.' || typedName.find('/') != std::string::npos) {
    return std::nullopt;
  }
  const std::string_view name = FileNamePart(fileName);
  return fileName.substr(0, fileName.size() - name.size()) + typedName;
}

TSongChange PlanManualRename(const TSongFile& song, const std::string& typedName) {
  TSongChange change;
  if (std::optional<std::string> target = ManualRenameTarget(song.FileName(), typedName)) {
    change.NewFileName = std::move(*target);
  } else {
    change.Refusal = kTypedNameRefusedReason;
  }
  return change;
}

}  // namespace tagwright
