// Runs one command over the songs of the command line's files and folders, in file name order, as
// the window runs it over the selected songs, without questions: a file that cannot be written is
// reported and skipped, and the run then ends with status 1. Prints one JSON object per song.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/cli/cli_context.h"
#include "commands/song_pass.h"

namespace CLI {
class App;
}

namespace tagwright::cli {

struct TPassOptions {
  std::vector<std::string> paths;
  bool recursive = false;
  bool dryRun = false;
  bool accentedLetters = false;
};

void RunSongPass(const TPassOptions& options, const TSongPlanner& planner, TCliContext& context);

// Adds PATH..., --recursive, --dry-run and --accented-letters to a command.
void AddPassOptions(CLI::App& command, TPassOptions& options);
// Adds --accented-letters, which every command that recognises names takes.
void AddAccentedLettersOption(CLI::App& command, bool& accentedLetters);

}  // namespace tagwright::cli
