#include "app/cli/change_commands.h"

#include <memory>

#include "app/cli/song_pass.h"
#include "commands/command_catalogue.h"
#include "commands/song_plans.h"

namespace tagwright::cli {

namespace {

// A command of the catalogue, run over the songs with its plan made for the options given. The
// commands that clean texts take the clean-up's options; Hands-Free, whose title tag leaves the mix
// out, takes --title-with-mix too.
void AddCatalogueCommand(CLI::App& app, TCliContext& context, const TCatalogueCommand& catalogued) {
  auto options = std::make_shared<TPassOptions>();
  options->command = catalogued.CliName;
  CLI::App* command = app.add_subcommand(catalogued.CliName, catalogued.CliDescription);
  AddPassOptions(*command, *options);
  const bool cleans = catalogued.Id == TCommandId::DetailsCleanup || catalogued.Id == TCommandId::HandsFree;
  if (cleans) AddTidyOptions(*command, *options, catalogued.Id == TCommandId::HandsFree);
  command->callback([options, planner = TPlannerWithOptions(catalogued.Planner), &context] {
    RunSongPass(*options, planner, context);
  });
}

void AddClearCommand(CLI::App& app, TCliContext& context) {
  auto options = std::make_shared<TPassOptions>();
  options->command = "clear";
  auto field = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand("clear", "Blank one tag field of each song (ID3 Clear)");
  command->add_option("FIELD", *field, "artist, title, track, album, year, genre or comment")
      ->required()
      ->check(CLI::IsMember({"artist", "title", "track", "album", "year", "genre", "comment"}));
  AddPassOptions(*command, *options);
  command->callback([options, field, &context] {
    const TTagField tagField = *TagFieldNamed(*field);
    const TSongPlanner planner{TTagsNeeded::Yes, [tagField](const TSongFile&, const TID3Info& tags) {
                                 return PlanClearTagField(tags, tagField);
                               }};
    RunSongPass(*options, planner, context);
  });
}

}  // namespace

void AddChangeCommands(CLI::App& app, TCliContext& context) {
  for (const TCatalogueCommand& command : CommandCatalogue()) {
    if (command.CliName == nullptr) continue;
    AddCatalogueCommand(app, context, command);
  }
  AddClearCommand(app, context);
}

}  // namespace tagwright::cli
