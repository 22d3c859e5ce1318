// The commands that run one plan over songs, each described once for both front ends: its name on
// the command line and in the window (the caption of its history entry and the head of its summary
// line), what its summary counts, and its planner. The window and the command line take a command's
// plan from here instead of each building it.
#pragma once

#include <cstdint>
#include <vector>

#include "commands/song_pass.h"
#include "songs/tidy_options.h"

namespace tagwright {

enum class TCommandId : std::uint8_t { AutoRename, FileNameAsTitle, DetailsCleanup, HandsFree, StampRecognized };

// What a command's summary counts as done.
enum class TPassCount : std::uint8_t { SongsTagged, Renamed, SongsUpdated };

struct TCatalogueCommand {
  TCommandId Id;
  const char* CliName;         // the subcommand; null for one that has a subcommand of its own
  const char* CliDescription;  // its line in the help
  const char* WindowName;      // "AutoRename Files"
  TPassCount Count;
  // The window asks when a file cannot be written; otherwise such songs are skipped silently.
  bool AsksWhenUnwritable;
  // The plan, cleaning and composing titles as the options say (commands that clean no text and
  // compose no title ignore them).
  TSongPlanner (*Planner)(const TTidyOptions& options);
};

// Every command, in the order the command line's help lists them.
const std::vector<TCatalogueCommand>& CommandCatalogue();
const TCatalogueCommand& CatalogueCommand(TCommandId id);

}  // namespace tagwright
