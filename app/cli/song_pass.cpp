#include "app/cli/song_pass.h"

#include <CLI/CLI.hpp>

#include <sys/stat.h>

#include "app/cli/json_line.h"
#include "commands/command_session.h"
#include "songs/song_rows.h"
#include "text/letters.h"

namespace tagwright::cli {

namespace {

// Why a folder named to a command that takes only files is passed over.
constexpr const char* kFolderGivenReason = "is a folder";

bool IsFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

TJsonLine TagsLine(const TID3Info& tags) {
  TJsonLine line;
  line.Add("title", tags.Title)
      .Add("artist", tags.Artist)
      .Add("album", tags.Album)
      .Add("year", tags.Year)
      .Add("comment", tags.Comment)
      .Add("genre", tags.Genre)
      .Add("track", static_cast<int>(tags.Track));
  return line;
}

std::string ResultLine(const TSongResult& result) {
  TJsonLine line;
  line.Add("file", result.FileName).Add("action", OutcomeName(result.Outcome));
  if (!result.NewFileName.empty()) line.Add("new_file", result.NewFileName);
  if (result.Outcome == TChangeOutcome::Skipped || result.Outcome == TChangeOutcome::Failed) {
    line.Add("reason", result.ReasonWithError());
  }
  // A failed rename comes after the tag was written, so its result still shows the tag.
  if (result.TagsWritten) {
    line.Add("tags", TagsLine(result.Tags));
  } else {
    line.AddNull("tags");
  }
  return line.Text();
}

// Where the command's changes are recorded: the history, or nowhere with --no-history or in a dry
// run. When the history cannot be opened, the failure is reported and the command must change
// nothing.
struct TEntriesChoice {
  std::unique_ptr<TChangeEntries> entries;
  bool usable = true;
};

TEntriesChoice EntriesFor(const TPassOptions& options, TCliContext& context) {
  TEntriesChoice choice;
  if (options.dryRun || options.noHistory) return choice;
  THistory* history = context.History();
  if (!history) {
    context.ReportFailure("the history cannot be opened, so nothing was changed: " + context.HistoryFailureText());
    choice.usable = false;
    return choice;
  }
  choice.entries = std::make_unique<THistoryEntries>(*history, TProgram::Cli);
  return choice;
}

// Reports an entry that could not be completed, or the older entries dropped to make room.
void ReportEntryEnd(TCliContext& context, const TEntryEnd& end) {
  if (!end.Finished) {
    context.ReportFailure("the history entry could not be completed: " + FailureText(end.Finished));
  } else if (end.DroppedForRoom > 0) {
    context.err << "tagwright-cli: " << DroppedForRoomMessage(end.DroppedForRoom) << '\n';
  }
}

}  // namespace

void AddAccentedLettersOption(CLI::App& command, bool& accentedLetters) {
  command.add_flag("--accented-letters", accentedLetters,
                   "Count accented and other letters beyond ASCII as letters in names");
}

void AddNameOptions(CLI::App& command, TNameOptions& options) {
  command.add_flag("--keep-spellings", options.keepSpellings,
                   "Clean-up keeps known spellings such as AC/DC, R.E.M. or DJ, and words like McCartney");
  command.add_option("--spellings", options.spellingsFile,
                     "Add the words of a UTF-8 file, one a line, to the known spellings (implies --keep-spellings)");
  command.add_flag("--more-name-styles", options.moreNameStyles,
                   "Tidy a name no pattern fits (track, year, copy marks, video ids, web addresses) and try again");
}

void AddTidyOptions(CLI::App& command, TPassOptions& options, TCleansText cleans) {
  command.add_flag("--lower-small-words", options.lowerSmallWords,
                   "Clean-up keeps small words such as a, and, of, the, to in lower case inside titles: Face to Face");
  if (cleans == TCleansText::YesWithTitleTag) {
    command.add_flag("--title-with-mix", options.titleWithMix,
                     "The title tag holds the title with its mix: Levels (Skrillex Remix)");
  }
}

TSpellingsChoice LoadSpellings(const TNameOptions& options, TCliContext& context) {
  TSpellingsChoice choice;
  if (!options.keepSpellings && options.spellingsFile.empty()) return choice;
  auto spellings = std::make_shared<TKnownSpellings>(TKnownSpellings::Shipped());
  if (!options.spellingsFile.empty()) {
    if (TResult added = spellings->AddFile(options.spellingsFile); !added) {
      context.ReportFailure("the spellings cannot be read, so nothing was changed: " + FailureText(added));
      choice.usable = false;
      return choice;
    }
  }
  choice.spellings = std::move(spellings);
  return choice;
}

TListedSongs ListPassSongs(const TPassOptions& options, TLetters letters, TCliContext& context) {
  TListedSongs listed;
  std::vector<std::string> paths;
  for (const std::string& path : options.paths) {
    if (!options.filesOnly || !IsFolder(path)) {
      paths.push_back(path);
      continue;
    }
    TSongResult skipped;
    skipped.FileName = path;
    skipped.OwnReason = kFolderGivenReason;
    context.ReportFailure(path + ": " + skipped.Reason());
    context.out << ResultLine(skipped) << '\n';
  }
  // Every file named goes to the command, which says why it leaves one that is no song alone;
  // files named one by one are taken in the order given.
  TRowListingOptions listing;
  listing.Reading.Recognition = options.names.Recognition(letters);
  listing.Reading.Jobs = options.jobs;
  listing.Recursive = options.recursive;
  listing.Order = options.filesOnly ? TRowOrder::AsFound : TRowOrder::FileName;
  listing.Named = TFilesNamed::Every;
  listed.Rows = ListSongRows(paths, listing);
  listed.Songs.reserve(listed.Rows.Rows.size());
  for (const TSongRow& row : listed.Rows.Rows) {
    if (row.Song) {
      listed.Songs.push_back(row.Song.get());
      continue;
    }
    context.ReportFailure(row.Kind == TSongRowKind::UnreadableSong ? row.Path + ": " + FailureText(row.Failure)
                                                                   : FailureText(row.Failure));
    if (row.Kind != TSongRowKind::UnreadableSong) continue;
    TSongResult failed;  // its tags cannot be read
    failed.FileName = row.Path;
    failed.Outcome = TChangeOutcome::Failed;
    failed.OwnReason = FailureText(row.Failure);
    context.out << ResultLine(failed) << '\n';
  }
  return listed;
}

void RunSongPass(const TPassOptions& options, TCommandId command, TCommandInput input, TCliContext& context) {
  const TCatalogueCommand& catalogued = CatalogueCommand(command);
  if (const std::string problem = InputProblem(catalogued, input); !problem.empty()) {
    throw CLI::ValidationError(problem);
  }
  const TLetters letters = LettersOf(options.accentedLetters);
  const TSpellingsChoice spellings = LoadSpellings(options.names, context);
  if (!spellings.usable) return;
  input.Tidy = {.Spellings = spellings.spellings.get(),
                .Letters = letters,
                .SmallWordsInLowerCase = options.lowerSmallWords,
                .TitleWithMix = options.titleWithMix};
  const TListedSongs listed = ListPassSongs(options, letters, context);
  const std::vector<const TSongFile*>& songs = listed.Songs;

  if (options.inputFromSongs) options.inputFromSongs(songs, input);
  const TSongPlanner planner = catalogued.Planner(input);

  const TEntriesChoice entries = EntriesFor(options, context);
  if (!entries.usable) return;

  TPassHooks hooks;
  hooks.OnResult = [&](const TSongResult& result) {
    // A file that cannot be written, or is no song, is left alone; the run says so in its status.
    const bool unwritable = result.Failure.Kind() == TFailureKind::NotWritable;
    const bool noSong = result.Outcome == TChangeOutcome::Skipped && IsNotMp3Reason(result.OwnReason);
    if (result.Outcome == TChangeOutcome::Failed || unwritable || noSong) {
      context.ReportFailure(result.FileName + ": " + result.ReasonWithError());
    }
    context.out << ResultLine(result) << '\n';
    return TPassStep::Continue;
  };
  const TPassMode mode = options.dryRun ? TPassMode::DryRun : TPassMode::Apply;
  // The summary adds nothing here: every song has had its line.
  const TCommandOutcome outcome =
      RunCommand(entries.entries.get(), options.command, songs, planner, mode, std::move(hooks));
  ReportEntryEnd(context, outcome.End);
  context.out << std::flush;
}

void AddNoHistoryOption(CLI::App& command, bool& noHistory) {
  command.add_flag("--no-history", noHistory, "Write without a record in the history (cannot be undone)");
}

void AddPassOptions(CLI::App& command, TPassOptions& options) {
  command.add_flag("--recursive", options.recursive, "Include the songs of subfolders");
  command.add_flag("--dry-run", options.dryRun, "Change nothing on disk; show what would happen");
  AddJobsOption(command, options.jobs);
  AddNoHistoryOption(command, options.noHistory);
  AddAccentedLettersOption(command, options.accentedLetters);
  AddNameOptions(command, options.names);
  command.add_option("PATH", options.paths, "Song files and folders")->required();
}

void AddJobsOption(CLI::App& command, unsigned& jobs) {
  command
      .add_option("--jobs", jobs,
                  "Threads reading songs (default: twice the processors, 4 to 16); output is the same for any number")
      ->check(CLI::Range(1u, 256u));
}

}  // namespace tagwright::cli
