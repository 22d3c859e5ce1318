#include "app/cli/change_commands.h"

#include <memory>

#include "app/cli/song_pass.h"
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
  AddPassCommand(
      app, context, "rename", "Rename each song's file after its details (AutoRename Files)",
      TSongPlanner{TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }});
  AddPassCommand(app, context, "filename-as-title", "Write each file's name into its tag's title",
                 TSongPlanner{TTagsNeeded::Yes, PlanFileNameAsTitle});
  AddPassCommand<TPlannerWithSpellings>(
      app, context, "cleanup", "Clean titles, artists and albums and write the recognised details (Details Cleanup)",
      [](const TKnownSpellings* spellings, TLetters letters) {
        return TSongPlanner{TTagsNeeded::Yes, [spellings, letters](const TSongFile& song, const TID3Info& tags) {
                              return PlanDetailsCleanupKeeping(song, tags, spellings, letters);
                            }};
      });
  AddPassCommand<TPlannerWithSpellings>(
      app, context, "hands-free", "Rewrite the tag and rename the file of each song whose name holds only its details",
      [](const TKnownSpellings* spellings, TLetters letters) {
        return TSongPlanner{TTagsNeeded::No, [spellings, letters](const TSongFile& song, const TID3Info&) {
                              return PlanHandsFree(song, spellings, letters);
                            }};
      });
  AddClearCommand(app, context);
}

}  // namespace tagwright::cli
