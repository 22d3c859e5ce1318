// The plans of the commands that change song files: each works out a TSongChange for one song from
// its details and, where the command keeps the fields it does not set, the tags the file holds now.
// Plans touch no file; the song pass (commands/song_pass.h) reads the tags and carries changes out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "commands/song_change.h"
#include "songs/known_spellings.h"
#include "songs/song_edits.h"
#include "songs/song_file.h"
#include "songs/tidy_options.h"
#include "tags/id3_info.h"
#include "text/letters.h"

namespace tagwright {

// The values of the song details panel, already trimmed where the panel trims them.
struct TPanelValues {
  std::string Artist;
  std::string Title;
  std::string Album;
  std::string Year;
  std::string Comment;
  std::string Genre;
  std::string Track;
};

// Whether the panel's values are those of one song or shared by several.
enum class TSelectedSongs : bool { Several, One };

// Stamp from the details panel: with one song every field is written, empty ones clearing the tag's;
// with several only the fields that hold text.
TSongChange PlanStampFromPanel(TID3Info tags, const TPanelValues& panel, TSelectedSongs songs);

// Stamp the fields changed by hand in the song table: each changed field replaces the tag's (an
// emptied one clears it); every other field keeps what the tag holds.
TSongChange PlanStampEditedFields(TID3Info tags, const TFieldEdits& edits);

// Stamp the recognised values: each non-empty detail replaces the tag's value (the title with its mix).
TSongChange PlanStampRecognized(const TSongFile& song, TID3Info tags);

// AutoRename: the name composed from the song's details. Songs without title and artist keep theirs.
TSongChange PlanAutoRename(const TSongFile& song);

// Rename from the details panel: the panel's artist, title and track (each taken when it holds text
// or when one song is selected) replace the song's, and the name is composed from them. A song keeps
// its name when it is left with neither title nor artist, and, with several songs, when its
// recognised title and artist are both empty. A name taken by another file is refused with
// kNameTakenMessage.
TSongChange PlanRenameWithDetails(const TSongFile& listed, const TPanelValues& panel, TSelectedSongs songs);

// Filename as Title: the file's name without folder and extension becomes the tag's title.
TSongChange PlanFileNameAsTitle(const TSongFile& listed, TID3Info tags);

// Details Cleanup: title, artist and album cleaned; every non-empty detail into the tag.
TSongChange PlanDetailsCleanup(const TSongFile& song, TID3Info tags);
// The same, cleaning as the options say (Keep Known Spellings, Accented Letters, Small Words in
// Lower Case); the title tag holds the mix whatever they say.
TSongChange PlanDetailsCleanupKeeping(const TSongFile& listed, TID3Info tags, const TTidyOptions& options);

// Hands-Free: when the cleaned file name holds nothing but the cleaned details, the tag is rewritten
// from the details and the file renamed after them. The song record is not changed. The title tag
// holds the title without its mix unless the options ask for TitleWithMix.
TSongChange PlanHandsFree(const TSongFile& song);
TSongChange PlanHandsFree(const TSongFile& song, const TTidyOptions& options);

// The tag fields that "ID3 Clear" blanks, by their menu order.
enum class TTagField : std::uint8_t { Artist = 0, Title = 1, Track = 2, Album = 3, Year = 4, Genre = 5, Comment = 6 };
std::optional<TTagField> TagFieldNamed(const std::string& name);  // "artist", "title", ...
const char* TagFieldCaption(TTagField field);                     // "Artist", "Title", ...

TSongChange PlanClearTagField(TID3Info tags, TTagField field);

// The path for a name typed by the user, in the song's folder, exactly as typed. Refused (no value)
// for an empty name, a name starting with "." (a hidden file, ".", ".."), and a name holding "/",
// which would move the file elsewhere.
std::optional<std::string> ManualRenameTarget(const std::string& fileName, const std::string& typedName);
// Rename This File: the song gets the name typed, or is refused one ManualRenameTarget refuses.
TSongChange PlanManualRename(const TSongFile& song, const std::string& typedName);

}  // namespace tagwright
