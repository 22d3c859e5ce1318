// Runs one command over the songs of the command line's files and folders, in file name order, as
// the window runs it over the selected songs, without questions: a file that cannot be written is
// reported and skipped, and the run then ends with status 1. Prints one JSON object per song.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/cli/cli_context.h"
#include "commands/command_catalogue.h"
#include "commands/song_pass.h"
#include "history/history.h"
#include "songs/known_spellings.h"
#include "songs/recognition.h"
#include "songs/song_rows.h"
#include "songs/tidy_options.h"

namespace CLI {
class App;
}

namespace tagwright::cli {

// --keep-spellings, --spellings FILE and --more-name-styles, which every command that recognises
// names or cleans their texts takes.
struct TNameOptions {
  bool keepSpellings = false;
  std::string spellingsFile;  // implies keepSpellings
  bool moreNameStyles = false;

  TRecognitionOptions Recognition(TLetters letters = TLetters::Ascii) const {
    return {.MoreNameStyles = moreNameStyles, .Letters = letters};
  }
};

// The known spellings the options ask for: none (null) without --keep-spellings or --spellings,
// else the shipped list with the file's words. A file that cannot be read, or is not UTF-8, is
// reported and gives no value: the command must then change nothing.
struct TSpellingsChoice {
  std::shared_ptr<const TKnownSpellings> spellings;
  bool usable = true;
};
TSpellingsChoice LoadSpellings(const TNameOptions& options, TCliContext& context);

struct TPassOptions {
  std::vector<std::string> paths;
  bool recursive = false;
  bool dryRun = false;
  unsigned jobs = 0;       // threads reading songs; 0 picks the machine's default
  bool noHistory = false;  // --no-history: changes are not recorded
  std::string command;     // the name of the command in the history
  bool accentedLetters = false;
  // A folder among the paths is reported and skipped, not listed; the files are taken in the order
  // given.
  bool filesOnly = false;
  TNameOptions names;
  bool titleWithMix = false;     // --title-with-mix
  bool lowerSmallWords = false;  // --lower-small-words
  // What the command's input takes from the songs listed, before its plan is made (number: their
  // order); null for nothing.
  std::function<void(const std::vector<const TSongFile*>& songs, TCommandInput& input)> inputFromSongs;
};

// The songs of the options' paths, in the order a pass takes them. A folder among the paths of a
// command that takes only files, and each file whose tags cannot be read, is reported with its
// JSON line and left out.
struct TListedSongs {
  TSongRows Rows;
  std::vector<const TSongFile*> Songs;  // those of Rows that are songs
};
TListedSongs ListPassSongs(const TPassOptions& options, TLetters letters, TCliContext& context);

// Runs the catalogue's command over the songs, its plan made from input with the known spellings the
// options ask for (null for none), the letters --accented-letters chooses, --lower-small-words and
// --title-with-mix. Input the command cannot run with (a pattern that does not parse) ends the run
// as a usage error before any song is looked at.
void RunSongPass(const TPassOptions& options, TCommandId command, TCommandInput input, TCliContext& context);

// Adds --no-history to a command that writes.
void AddNoHistoryOption(CLI::App& command, bool& noHistory);

// Adds PATH..., --recursive, --dry-run, --jobs, --no-history, --accented-letters and the name
// options to a command.
void AddPassOptions(CLI::App& command, TPassOptions& options);
// Adds --accented-letters, which every command that recognises names takes.
void AddAccentedLettersOption(CLI::App& command, bool& accentedLetters);

// Adds --keep-spellings, --spellings FILE and --more-name-styles.
void AddNameOptions(CLI::App& command, TNameOptions& options);
// Adds --lower-small-words to a command that cleans texts, and --title-with-mix to one that composes
// the title tag too.
void AddTidyOptions(CLI::App& command, TPassOptions& options, TCleansText cleans);

// Adds --jobs N to a command that lists songs.
void AddJobsOption(CLI::App& command, unsigned& jobs);

}  // namespace tagwright::cli
