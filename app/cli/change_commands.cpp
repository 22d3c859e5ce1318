#include "app/cli/change_commands.h"

#include <memory>

#include "app/cli/song_pass.h"
#include "commands/song_commands.h"

namespace tagwright::cli {

namespace {

void AddPassCommand(CLI::App& app, TCliContext& context, const char* name, const char* description,
                    TSongPlanner planner) {
  auto options = std::make_shared<TPassOptions>();
  CLI::App* command = app.add_subcommand(name, description);
  AddPassOptions(*command, *options);
  command->callback([options, planner = std::move(planner), &context] { RunSongPass(*options, planner, context); });
}

void AddClearCommand(CLI::App& app, TCliContext& context) {
  auto options = std::make_shared<TPassOptions>();
  auto field = std::make_shared<std::string>();
  CLI::App* command = app.add_subcommand("clear", "Blank one tag field of each song (ID3 Clear)");
  command->add_option("FIELD", *field, "artist, title, track, album, year, genre or comment")
      ->required()
      ->check(CLI::IsMember({"artist", "title", "track", "album", "year", "genre", "comment"}));
  AddPassOptions(*command, *options);
  command->callback([options, field, &context] {
    const TTagField tagField = *TagFieldNamed(*field);
    RunSongPass(
        *options, [tagField](TSongFile& song) { return PlanClearTagField(song.FileName(), tagField); },
        context);
  });
}

}  // namespace

void AddChangeCommands(CLI::App& app, TCliContext& context) {
  AddPassCommand(app, context, "rename", "Rename each song's file after its details (AutoRename Files)",
                 [](TSongFile& song) { return PlanAutoRename(song); });
  AddPassCommand(app, context, "filename-as-title", "Write each file's name into its tag's title",
                 [](TSongFile& song) { return PlanFileNameAsTitle(song); });
  AddPassCommand(app, context, "cleanup",
                 "Clean titles, artists and albums and write the recognised details (Details Cleanup)",
                 [](TSongFile& song) { return PlanDetailsCleanup(song); });
  AddPassCommand(app, context, "hands-free",
                 "Rewrite the tag and rename the file of each song whose name holds only its details",
                 [](TSongFile& song) { return PlanHandsFree(song); });
  AddClearCommand(app, context);
}

}  // namespace tagwright::cli
