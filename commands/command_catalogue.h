// Every command that changes files, described once for both front ends: its name on the command
// line and its help line, its caption in the window (the caption of its history entry and the head
// of its summary line), its preview, its menu entry and key, what its summary counts, and its
// planner. A front end gathers the command's input (TCommandInput), asks the catalogue for the
// plan and shows what came of it; it builds no plan of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "commands/cover_plans.h"
#include "commands/song_pass.h"
#include "commands/song_plans.h"
#include "songs/song_edits.h"
#include "songs/tidy_options.h"

namespace tagwright {

enum class TCommandId : std::uint8_t {
  AutoRename,
  FileNameAsTitle,
  DetailsCleanup,
  HandsFree,
  StampRecognized,
  ClearField,        // blank one tag field
  StampGivenFields,  // the command line's stamp of the fields given
  StampPanel,        // stamp the details panel's values
  StampEditedCells,  // stamp the fields changed in the song table
  RenameWithDetails,
  RenameThisFile,     // rename one song to the name typed
  TagsFromName,       // the tag's fields read from the file's name with a pattern
  RenameWithPattern,  // the file named after a pattern composed from the song's details
  NumberTracks,       // the songs' tracks numbered in the order given
  ChangeCover,        // the songs' front cover set, added or removed, or every picture removed
  DeleteThisFile,     // move one song to the trash
  Undo,
  Redo,
};

// What a command's summary counts as done.
enum class TPassCount : std::uint8_t { SongsTagged, Renamed, SongsUpdated, FilesDeleted, FilesRestored };

// What the window does with a file that cannot be written: asks whether to go on, or skips it
// silently.
enum class TWhenUnwritable : bool { Skip, Ask };
// Whether a command cleans texts, so that its preview says what Keep Known Spellings would keep and
// it takes the clean-up's options; TitleTag: it composes the title tag too, leaving the mix out
// unless asked to keep it.
enum class TCleansText : std::uint8_t { No, Yes, YesWithTitleTag };
// What a command works from besides the songs; the front end gathers it into TCommandInput.
enum class TCommandParameters : std::uint8_t {
  None,            // the tidy options at most
  TagField,        // TCommandInput::Field
  GivenFields,     // TCommandInput::Fields
  PanelValues,     // TCommandInput::Panel and Songs
  EditedCells,     // TCommandInput::Edits
  NewName,         // TCommandInput::NewName
  Removal,         // TCommandInput::Removal
  NamePattern,     // TCommandInput::Pattern (and CleanupValues)
  TrackNumbering,  // TCommandInput::Numbering
  Cover,           // TCommandInput::Cover
  HistoryEntry,    // the entry to take back (carried out by the history)
};
// Who carries a command out: the song pass with the command's planner, or the history (an undo or
// a redo).
enum class TCarriedOutBy : std::uint8_t { SongPass, History };

// How Number Tracks numbers the songs: from Start, in the order of their file names given,
// starting again in each folder; with WithTotal each track is written with its folder's number of
// tracks, as 3/12. A file whose content is not MP3 takes no number and counts in no total.
struct TTrackNumbering {
  int Start = 1;
  bool WithTotal = false;
  std::vector<std::string> FileNamesInOrder;
};

// Everything a command's plan may go by.
struct TCommandInput {
  TTidyOptions Tidy;
  TTagField Field = TTagField::Artist;
  // The fields to write into every song, each written when given (an empty text clears it).
  TFieldEdits Fields;
  TPanelValues Panel;
  TSelectedSongs Songs = TSelectedSongs::Several;
  // Each song's own changed fields.
  TSongEdits Edits;
  std::string NewName;
  // How the user agreed a file goes: into the trash, or for good where it has none.
  TRemoval Removal = TRemoval::IntoTrash;
  // A name pattern as the user typed it ("{track} - {artist} - {title}"); the planner reads it.
  std::string Pattern;
  // Tags from File Names: the values read are cleaned as the tidy options say.
  bool CleanupValues = false;
  TTrackNumbering Numbering;
  TCoverInput Cover;
};

struct TCatalogueCommand {
  TCommandId Id;
  const char* CliName;         // the subcommand; null when the command line has none of its own
  const char* CliDescription;  // its line in the help; null without a subcommand
  const char* WindowName;      // "AutoRename Files"; null when the window has no such command
  const char* PreviewCaption;  // the window's preview of it; null when it has none
  const char* MenuEntry;       // the window's button or menu entry; null when none of its own
  const char* Keys;            // its keys in portable text, "; " between two; null for none
  TPassCount Count;
  TWhenUnwritable Unwritable;
  TCleansText Cleans;
  TCommandParameters Parameters;
  TCarriedOutBy CarriedOutBy;
  // The plan for the input given; null for a command the song pass does not carry out.
  TSongPlanner (*Planner)(const TCommandInput& input);
};

// Every command, in the order the command line's help lists them.
const std::vector<TCatalogueCommand>& CommandCatalogue();
const TCatalogueCommand& CatalogueCommand(TCommandId id);

// What keeps the command from running with the input the front end gathered, in words for the
// user (a pattern that does not parse, with where); empty when it can run. A front end asks before
// it touches any song.
std::string InputProblem(const TCatalogueCommand& command, const TCommandInput& input);

// The caption of the command's history entry in the window: "ID3 Clear Title" for a cleared field,
// "Remove Front Cover" for the cover command that removes it.
std::string WindowCaption(const TCatalogueCommand& command, const TCommandInput& input);

}  // namespace tagwright
