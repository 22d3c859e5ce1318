#include "app/cli/change_commands.h"

#include <memory>

#include "app/cli/song_pass.h"
#include "commands/command_catalogue.h"
#include "commands/song_plans.h"

namespace tagwright::cli {

namespace {

// A command that runs its plan over the songs; a plan that cleans texts is made with the known
// spellings the options ask for (a TPlannerWithSpellings).
template <typename TPlanner>
void AddPassCommand(CLI::App& app, TCliContext& context, const char* name, const char* description, TPlanner planner) {
  auto options = std::make_shared<TPassOptions>();
  options->command = name;
  CLI::App* command = app.add_subcommand(name, description);
  AddPassOptions(*command, *options);
  command->callback([options, planner = std::move(planner), &context] { RunSongPass(*options, planner, context); });
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
    AddPassCommand<TPlannerWithSpellings>(app, context, command.CliName, command.CliDescription, command.Planner);
  }
  AddClearCommand(app, context);
}

}  // namespace tagwright::cli
