#include "commands/command_catalogue.h"

#include <algorithm>
#include <stdexcept>

#include "commands/song_plans.h"

namespace tagwright {

namespace {

TSongPlanner AutoRenamePlanner(const TTidyOptions& /*options*/) {
  return {TTagsNeeded::No, [](const TSongFile& song, const TID3Info&) { return PlanAutoRename(song); }};
}

TSongPlanner FileNameAsTitlePlanner(const TTidyOptions& /*options*/) { return {TTagsNeeded::Yes, PlanFileNameAsTitle}; }

TSongPlanner DetailsCleanupPlanner(const TTidyOptions& options) {
  return {TTagsNeeded::Yes, [options](const TSongFile& song, const TID3Info& tags) {
            return PlanDetailsCleanupKeeping(song, tags, options);
          }};
}

TSongPlanner HandsFreePlanner(const TTidyOptions& options) {
  return {TTagsNeeded::No, [options](const TSongFile& song, const TID3Info&) { return PlanHandsFree(song, options); }};
}

TSongPlanner StampRecognizedPlanner(const TTidyOptions& /*options*/) { return {TTagsNeeded::Yes, PlanStampRecognized}; }

}  // namespace

const std::vector<TCatalogueCommand>& CommandCatalogue() {
  static const std::vector<TCatalogueCommand> commands = {
      {TCommandId::AutoRename, "rename", "Rename each song's file after its details (AutoRename Files)",
       "AutoRename Files", TPassCount::Renamed, true, AutoRenamePlanner},
      {TCommandId::FileNameAsTitle, "filename-as-title", "Write each file's name into its tag's title",
       "Filename as Title", TPassCount::SongsTagged, true, FileNameAsTitlePlanner},
      {TCommandId::DetailsCleanup, "cleanup",
       "Clean titles, artists and albums and write the recognised details (Details Cleanup)", "Details Cleanup",
       TPassCount::SongsTagged, true, DetailsCleanupPlanner},
      {TCommandId::HandsFree, "hands-free",
       "Rewrite the tag and rename the file of each song whose name holds only its details", "Hands-Free!",
       TPassCount::SongsUpdated, false, HandsFreePlanner},
      {TCommandId::StampRecognized, nullptr, nullptr, "Stamp ID3 Tags", TPassCount::SongsTagged, true,
       StampRecognizedPlanner},
  };
  return commands;
}

const TCatalogueCommand& CatalogueCommand(TCommandId id) {
  const std::vector<TCatalogueCommand>& commands = CommandCatalogue();
  const auto found =
      std::find_if(commands.begin(), commands.end(), [id](const TCatalogueCommand& c) { return c.Id == id; });
  if (found == commands.end()) throw std::logic_error("a command missing from the catalogue");
  return *found;
}

}  // namespace tagwright
