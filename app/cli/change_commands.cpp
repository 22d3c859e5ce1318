#include "app/cli/change_commands.h"

#include <memory>

#include "app/cli/song_pass.h"
#include "commands/command_catalogue.h"

namespace tagwright::cli {

namespace {

// A command of the catalogue that goes by nothing but the songs, run over them with its plan made
// for the options given. The commands that clean texts take the clean-up's options, and one that
// composes the title tag takes --title-with-mix too.
void AddCatalogueCommand(CLI::App& app, TCliContext& context, const TCatalogueCommand& catalogued) {
  auto options = std::make_shared<TPassOptions>();
  options->command = catalogued.CliName;
  CLI::App* command = app.add_subcommand(catalogued.CliName, catalogued.CliDescription);
  AddPassOptions(*command, *options);
  if (catalogued.Cleans != TCleansText::No) AddTidyOptions(*command, *options, catalogued.Cleans);
  command->callback([options, id = catalogued.Id, &context] { RunSongPass(*options, id, {}, context); });
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
  }
}

}  // namespace tagwright::cli
