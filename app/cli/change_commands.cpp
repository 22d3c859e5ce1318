#include "app/cli/change_commands.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/cover_command.h"
#include "app/cli/song_pass.h"
#include "commands/command_catalogue.h"
#include "commands/pattern_plans.h"

namespace tagwright::cli {

namespace {

constexpr const char* kPatternHelp =
    "fields in braces: {artist} {title} {mix} {track} ({track:3} for three digits) "
    "{album} {year} {genre} {comment} {featuring} {cd}, / for a folder";

// A subcommand of the catalogue with the options every song pass takes; a command that cleans texts
// takes the clean-up's options, and one that composes the title tag --title-with-mix too.
CLI::App* AddPassCommand(CLI::App& app, const TCatalogueCommand& catalogued, TPassOptions& options) {
  options.command = catalogued.CliName;
  CLI::App* command = app.add_subcommand(catalogued.CliName, catalogued.CliDescription);
  AddPassOptions(*command, options);
  if (catalogued.Cleans != TCleansText::No) AddTidyOptions(*command, options, catalogued.Cleans);
  return command;
}

// A command of the catalogue that goes by nothing but the songs, run over them with its plan made
// for the options given. rename takes --pattern, and is then Rename with Pattern; without it, it is
// what it always was.
void AddCatalogueCommand(CLI::App& app, TCliContext& context, const TCatalogueCommand& catalogued) {
  auto options = std::make_shared<TPassOptions>();
  CLI::App* command = AddPassCommand(app, catalogued, *options);
  if (catalogued.Id != TCommandId::AutoRename) {
    command->callback([options, id = catalogued.Id, &context] { RunSongPass(*options, id, {}, context); });
    return;
  }
  auto pattern = std::make_shared<std::string>();
  const CLI::Option* given = command->add_option(
      "--pattern", *pattern,
      std::string("Name each file after this pattern instead (Rename with Pattern); ") + kPatternHelp);
  command->callback([options, pattern, given, &context] {
    if (given->count() == 0) {
      RunSongPass(*options, TCommandId::AutoRename, {}, context);
    } else {
      TCommandInput input;
      input.Pattern = *pattern;
      RunSongPass(*options, TCommandId::RenameWithPattern, std::move(input), context);
    }
  });
}

// tag-from-name --pattern P: the tags read from the songs' names, cleaned with --cleanup.
void AddPatternCommand(CLI::App& app, TCliContext& context, const TCatalogueCommand& catalogued) {
  auto options = std::make_shared<TPassOptions>();
  auto input = std::make_shared<TCommandInput>();
  CLI::App* command = AddPassCommand(app, catalogued, *options);
  command->add_option("--pattern", input->Pattern, std::string("The pattern the file names follow; ") + kPatternHelp)
      ->required();
  command->add_flag("--cleanup", input->CleanupValues,
                    "Clean the titles, artists and albums read, as cleanup does (with its options)");
  command->callback([options, input, id = catalogued.Id, &context] { RunSongPass(*options, id, *input, context); });
}

// number [--start N] [--total] [--by-tag-order]: the songs numbered in file name order, or in the
// order of the track numbers they hold, starting again in each folder.
void AddNumberCommand(CLI::App& app, TCliContext& context, const TCatalogueCommand& catalogued) {
  auto options = std::make_shared<TPassOptions>();
  auto input = std::make_shared<TCommandInput>();
  auto byTagOrder = std::make_shared<bool>(false);
  CLI::App* command = AddPassCommand(app, catalogued, *options);
  command->add_option("--start", input->Numbering.Start, "The first song's track number (default 1)")
      ->check(CLI::Range(1, 255));
  command->add_flag("--total", input->Numbering.WithTotal,
                    "Write each track with its folder's number of tracks, as 3/12");
  command->add_flag("--by-tag-order", *byTagOrder,
                    "Number in the order of the track numbers the songs hold (those without one last)");
  options->inputFromSongs = [byTagOrder](const std::vector<const TSongFile*>& songs, TCommandInput& given) {
    std::vector<std::string>& order = given.Numbering.FileNamesInOrder;
    if (*byTagOrder) {
      order = FileNamesInTrackOrder(songs);
      return;
    }
    for (const TSongFile* song : songs) order.push_back(song->FileName());
  };
  command->callback([options, input, id = catalogued.Id, &context] { RunSongPass(*options, id, *input, context); });
}

// A command that blanks the tag field named.
void AddFieldCommand(CLI::App& app, TCliContext& context, const TCatalogueCommand& catalogued) {
  auto options = std::make_shared<TPassOptions>();
  options->command = catalogued.CliName;
  auto field = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand(catalogued.CliName, catalogued.CliDescription);
  command->add_option("FIELD", *field, "artist, title, track, album, year, genre or comment")
      ->required()
      ->check(CLI::IsMember({"artist", "title", "track", "album", "year", "genre", "comment"}));
  AddPassOptions(*command, *options);
  command->callback([options, field, id = catalogued.Id, &context] {
    TCommandInput input;
    input.Field = *TagFieldNamed(*field);
    RunSongPass(*options, id, std::move(input), context);
  });
}

}  // namespace

void AddChangeCommands(CLI::App& app, TCliContext& context) {
  for (const TCatalogueCommand& command : CommandCatalogue()) {
    if (command.CliName == nullptr || command.CarriedOutBy != TCarriedOutBy::SongPass) continue;
    if (command.Parameters == TCommandParameters::None) AddCatalogueCommand(app, context, command);
    if (command.Parameters == TCommandParameters::TagField) AddFieldCommand(app, context, command);
    if (command.Parameters == TCommandParameters::NamePattern) AddPatternCommand(app, context, command);
    if (command.Parameters == TCommandParameters::TrackNumbering) AddNumberCommand(app, context, command);
    if (command.Parameters == TCommandParameters::Cover) AddCoverCommand(app, context, command);
  }
}

}  // namespace tagwright::cli
