#include "commands/command_catalogue.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "commands/song_trash.h"
#include "files/paths.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"

namespace tagwright {
namespace {

using testing::FileExists;
using testing::SongAudio;
using testing::TDataHomeIn;
using testing::TTempFolder;

// What a front end needs of every command: a name to show, a caption for its history entry, a help
// line beside its subcommand, a planner when the song pass carries it out, and keys it names in its
// menu entry.
TEST(CommandCatalogue, EveryEntryGivesWhatTheFrontEndsNeed) {
  std::set<std::string> cliNames;
  std::set<TCommandId> ids;
  for (const TCatalogueCommand& command : CommandCatalogue()) {
    SCOPED_TRACE(WindowCaption(command, {}));
    EXPECT_TRUE(ids.insert(command.Id).second);
    EXPECT_EQ(&CatalogueCommand(command.Id), &command);
    EXPECT_TRUE(command.CliName != nullptr || command.WindowName != nullptr);
    EXPECT_EQ(command.CliName != nullptr, command.CliDescription != nullptr);
    if (command.CliName != nullptr) EXPECT_TRUE(cliNames.insert(command.CliName).second) << command.CliName;
    EXPECT_EQ(command.Planner != nullptr, command.CarriedOutBy == TCarriedOutBy::SongPass);
    if (command.Keys != nullptr) {
      ASSERT_NE(command.MenuEntry, nullptr);
      const std::string firstKey = std::string(command.Keys).substr(0, std::string(command.Keys).find(';'));
      EXPECT_NE(std::string(command.MenuEntry).find("(" + firstKey + ")"), std::string::npos);
    }
    // A preview is shown by the window of a command the song pass can foresee.
    if (command.PreviewCaption != nullptr) {
      EXPECT_NE(command.WindowName, nullptr);
      EXPECT_EQ(command.CarriedOutBy, TCarriedOutBy::SongPass);
    }
  }
  EXPECT_EQ(ids.size(), static_cast<std::size_t>(TCommandId::Redo) + 1);
  EXPECT_EQ(WindowCaption(CatalogueCommand(TCommandId::ClearField), {.Field = TTagField::Genre}), "ID3 Clear Genre");
  EXPECT_EQ(WindowCaption(CatalogueCommand(TCommandId::ChangeCover), {.Cover = {.Action = TPictureAction::RemoveAll}}),
            "Remove All Pictures");
}

// A song's file and tags after one of the catalogue's commands.
struct TAfter {
  std::string FileName;
  std::string Artist;
  std::string Title;
  std::string Album;
  std::string Comment;
  int Track;
};

struct TCatalogueCase {
  TCommandId Id;
  std::function<TCommandInput(const TSongFile& song)> Input;
  TAfter After;
};

void PrintTo(const TCatalogueCase& row, std::ostream* out) {
  *out << "command " << static_cast<int>(row.Id) << ", " << WindowCaption(CatalogueCommand(row.Id), {});
}

class CatalogueCommands : public ::testing::TestWithParam<TCatalogueCase> {};

// Each planner of the catalogue, carried out by the song pass on a real song, does what its command
// promises: the song "abba - waterloo.mp3" holds the tag abba / waterloo / Gold / "note", track 5.
TEST_P(CatalogueCommands, PlanGivesWhatTheCommandPromises) {
  TTempFolder folder;
  const std::string path = folder.WriteFile("abba - waterloo.mp3", SongAudio(404));
  const TID3Info tags{.Title = "waterloo", .Artist = "abba", .Album = "Gold", .Comment = "note", .Track = 5};
  ASSERT_TRUE(WriteID3Tags(path, tags).Ok());
  TSongFile song;
  ASSERT_TRUE(song.SetFileName(path).Ok());
  song.SetWritableWhenListed(true);

  const TSongPlanner planner = CatalogueCommand(GetParam().Id).Planner(GetParam().Input(song));
  TPassHooks hooks;
  hooks.OnResult = [](const TSongResult& result) {
    EXPECT_NE(result.Outcome, TChangeOutcome::Failed) << result.ReasonWithError();
    return TPassStep::Continue;
  };
  (void)RunSongPass({&song}, planner, TPassMode::Apply, hooks);

  const TAfter& after = GetParam().After;
  const std::string renamed = folder / after.FileName;
  ASSERT_TRUE(FileExists(renamed));
  if (after.FileName != "abba - waterloo.mp3") EXPECT_FALSE(FileExists(path));
  TID3Info written;
  ASSERT_TRUE(ReadID3Tags(renamed, written).Ok());
  EXPECT_EQ(written.Artist, after.Artist);
  EXPECT_EQ(written.Title, after.Title);
  EXPECT_EQ(written.Album, after.Album);
  EXPECT_EQ(written.Comment, after.Comment);
  EXPECT_EQ(written.Track, after.Track);
}

TCommandInput NoInput(const TSongFile& /*song*/) { return {}; }

TCommandInput OneSongPanel(const TSongFile& /*song*/) {
  TCommandInput input;
  input.Panel.Artist = "ABBA";
  input.Panel.Title = "SOS";
  input.Panel.Track = "3";
  input.Songs = TSelectedSongs::One;
  return input;
}

const TCatalogueCase kCases[] = {
    {TCommandId::AutoRename, NoInput, {"05 - abba - waterloo.mp3", "abba", "waterloo", "Gold", "note", 5}},
    {TCommandId::FileNameAsTitle, NoInput, {"abba - waterloo.mp3", "abba", "abba - waterloo", "Gold", "note", 5}},
    {TCommandId::DetailsCleanup, NoInput, {"abba - waterloo.mp3", "Abba", "Waterloo", "Gold", "note", 5}},
    {TCommandId::HandsFree, NoInput, {"05 - Abba - Waterloo.mp3", "Abba", "Waterloo", "Gold", "note", 5}},
    {TCommandId::StampRecognized, NoInput, {"abba - waterloo.mp3", "abba", "waterloo", "Gold", "note", 5}},
    {TCommandId::ClearField,
     [](const TSongFile&) { return TCommandInput{.Field = TTagField::Album}; },
     {"abba - waterloo.mp3", "abba", "waterloo", "", "note", 5}},
    {TCommandId::StampGivenFields,
     [](const TSongFile&) {
       TCommandInput input;
       input.Fields[static_cast<std::size_t>(TSongField::Title)] = "SOS";
       input.Fields[static_cast<std::size_t>(TSongField::Comment)] = "";
       return input;
     },
     {"abba - waterloo.mp3", "abba", "SOS", "Gold", "", 5}},
    // One song: every field of the panel is written, the empty ones clearing the tag's.
    {TCommandId::StampPanel, OneSongPanel, {"abba - waterloo.mp3", "ABBA", "SOS", "", "", 3}},
    {TCommandId::StampEditedCells,
     [](const TSongFile& song) {
       TSongFile edited = song;
       TCommandInput input;
       input.Edits.Edit(edited, TSongField::Track, "7");
       return input;
     },
     {"abba - waterloo.mp3", "abba", "waterloo", "Gold", "note", 7}},
    {TCommandId::RenameWithDetails, OneSongPanel, {"03 - ABBA - SOS.mp3", "abba", "waterloo", "Gold", "note", 5}},
    {TCommandId::RenameThisFile,
     [](const TSongFile&) { return TCommandInput{.NewName = "typed.mp3"}; },
     {"typed.mp3", "abba", "waterloo", "Gold", "note", 5}},
    {TCommandId::TagsFromName,
     [](const TSongFile&) { return TCommandInput{.Pattern = "{album} - {title}"}; },
     {"abba - waterloo.mp3", "abba", "waterloo", "abba", "note", 5}},
    {TCommandId::RenameWithPattern,
     [](const TSongFile&) { return TCommandInput{.Pattern = "{title} by {artist}"}; },
     {"waterloo by abba.mp3", "abba", "waterloo", "Gold", "note", 5}},
    {TCommandId::NumberTracks,
     [](const TSongFile& song) {
       return TCommandInput{.Numbering = {.Start = 9, .WithTotal = true, .FileNamesInOrder = {song.FileName()}}};
     },
     {"abba - waterloo.mp3", "abba", "waterloo", "Gold", "note", 9}},
    // The folder's picture goes in; the fields stay (cover_plans_test.cpp looks at the pictures).
    {TCommandId::ChangeCover,
     [](const TSongFile& song) {
       std::ofstream(std::string(FolderPart(song.FileName())) + "cover.png", std::ios::binary)
           << std::string("\x89PNG\r\n\x1A\n", 8) << "picture";
       return TCommandInput{.Cover = {.Action = TPictureAction::SetFrontCover}};
     },
     {"abba - waterloo.mp3", "abba", "waterloo", "Gold", "note", 5}},
};

INSTANTIATE_TEST_SUITE_P(Planners, CatalogueCommands, ::testing::ValuesIn(kCases));

// Delete This File over one song: where the song is afterwards, and what the user is told when it
// stays. The song needs no write permission of its own; a song gone meanwhile says so.
enum class TSongBefore { Writable, ReadOnly, Gone };
struct TRemovalCase {
  const char* Name;
  TSongBefore Before;
  TRemoval Agreed;
  TPassMode Mode;
  bool InTrash;     // in the trash's files folder, with its .trashinfo
  bool StaysPut;    // still where it was
  const char* Why;  // RemovalFailureText, SONG standing for the song's path; "" when it went
};

void PrintTo(const TRemovalCase& row, std::ostream* out) { *out << row.Name; }

class Removals : public ::testing::TestWithParam<TRemovalCase> {
 protected:
  TTempFolder folder;
  TDataHomeIn trash{folder};
};

TEST_P(Removals, PutTheSongWhereTheUserAgreed) {
  const TRemovalCase& row = GetParam();
  const std::string path = folder.WriteFile("song.mp3", SongAudio(300));
  TSongFile song;
  ASSERT_TRUE(song.SetFileName(path).Ok());
  if (row.Before == TSongBefore::ReadOnly) ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
  if (row.Before == TSongBefore::Gone) ASSERT_EQ(::unlink(path.c_str()), 0);
  std::vector<TSongResult> results;
  TPassHooks hooks;
  hooks.OnResult = [&results](const TSongResult& result) {
    results.push_back(result);
    return TPassStep::Continue;
  };
  const TCommandInput input{.Removal = row.Agreed};
  (void)RunSongPass({&song}, CatalogueCommand(TCommandId::DeleteThisFile).Planner(input), row.Mode, hooks);

  EXPECT_EQ(FileExists(folder / "data/Trash/files/song.mp3"), row.InTrash);
  EXPECT_EQ(FileExists(folder / "data/Trash/info/song.mp3.trashinfo"), row.InTrash);
  EXPECT_EQ(FileExists(path), row.StaysPut);
  ASSERT_EQ(results.size(), 1U);
  std::string why = row.Why;
  if (const auto at = why.find("SONG"); at != std::string::npos) why.replace(at, 4, path);
  if (why.empty()) {
    EXPECT_EQ(results[0].Outcome, TChangeOutcome::Renamed) << results[0].ReasonWithError();
  } else {
    EXPECT_EQ(RemovalFailureText(results[0], row.Agreed), why);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Removals,
    ::testing::Values(
        TRemovalCase{"IntoTheTrash", TSongBefore::Writable, TRemoval::IntoTrash, TPassMode::Apply, true, false, ""},
        TRemovalCase{"ReadOnlyIntoTheTrash", TSongBefore::ReadOnly, TRemoval::IntoTrash, TPassMode::Apply, true, false,
                     ""},
        TRemovalCase{"ForGood", TSongBefore::Writable, TRemoval::ForGood, TPassMode::Apply, false, false, ""},
        TRemovalCase{"DryRunTouchesNothing", TSongBefore::Writable, TRemoval::ForGood, TPassMode::DryRun, false, true,
                     ""},
        TRemovalCase{"GoneMeanwhile", TSongBefore::Gone, TRemoval::IntoTrash, TPassMode::Apply, false, false,
                     "Cannot move file SONG to the trash: No such file or directory"}),
    [](const ::testing::TestParamInfo<TRemovalCase>& info) { return std::string(info.param.Name); });

// Every command the song pass carries out has its case above.
TEST(CommandCatalogue, EveryPlannerHasItsCase) {
  for (const TCatalogueCommand& command : CommandCatalogue()) {
    if (command.Planner == nullptr || command.Id == TCommandId::DeleteThisFile) continue;  // Removals
    const bool tested = std::any_of(std::begin(kCases), std::end(kCases),
                                    [&](const TCatalogueCase& row) { return row.Id == command.Id; });
    EXPECT_TRUE(tested) << WindowCaption(command, {});
  }
}

// Input a command cannot run with is said before any song is touched, and a planner made from it
// all the same changes no song.
TEST(CommandCatalogue, InputProblemsAreSaidWithWhere) {
  struct TRow {
    TCommandId Id;
    TCommandInput Input;
    std::string Problem;
  };
  const TRow rows[] = {
      {TCommandId::TagsFromName, {.Pattern = "{artist} - {title}"}, ""},
      {TCommandId::TagsFromName,
       {.Pattern = "{artst} - {title}"},
       "the pattern \"{artst} - {title}\" has a mistake at character 2: unknown field {artst}"},
      // Characters, not bytes: "é" is two bytes.
      {TCommandId::RenameWithPattern,
       {.Pattern = "é - {title"},
       "the pattern \"é - {title\" has a mistake at character 5: the brace is not closed"},
      {TCommandId::RenameWithPattern,
       {.Pattern = ""},
       "the pattern \"\" has a mistake at character 1: the pattern holds no field"},
      {TCommandId::NumberTracks, {.Numbering = {.Start = 1}}, ""},
      {TCommandId::NumberTracks, {.Numbering = {.Start = 0}}, "the first track number must be from 1 to 255, not 0"},
      {TCommandId::AutoRename, {.Pattern = "{"}, ""},
  };
  for (const TRow& row : rows) {
    SCOPED_TRACE(row.Input.Pattern);
    EXPECT_EQ(InputProblem(CatalogueCommand(row.Id), row.Input), row.Problem);
  }
  TSongFile song;
  ASSERT_TRUE(song.SetFileName("/nowhere/abba - waterloo.mp3").Ok());
  for (const TCommandId id : {TCommandId::TagsFromName, TCommandId::RenameWithPattern}) {
    const TSongChange change = CatalogueCommand(id).Planner({.Pattern = "{artst}"}).Plan(song, {});
    EXPECT_FALSE(change.WriteTags);
    EXPECT_TRUE(change.NewFileName.empty());
    EXPECT_EQ(change.Refusal, "the pattern \"{artst}\" has a mistake at character 2: unknown field {artst}");
  }
}

}  // namespace
}  // namespace tagwright
