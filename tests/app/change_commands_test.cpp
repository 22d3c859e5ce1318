#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>

#include "cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"
#include "tags/id3_info.h"

namespace tagwright::testing {
namespace {

const std::string kAudio = SongAudio(304);

// Every file below the folder with its bytes.
std::map<std::string, std::string> Snapshot(const TTempFolder& folder) {
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder.Path())) {
    if (entry.is_regular_file()) files[entry.path().string()] = ReadWholeFile(entry.path().string());
  }
  return files;
}

class ChangeCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    folder.WriteFile("01 - moby - why_does_my_heart.mp3", kAudio);
    folder.WriteFile("Moby - Porcelain - www.site.com.mp3", kAudio);
    folder.WriteFile("a+b.mp3", kAudio);
    const std::string tagged = folder.WriteFile("x.mp3", kAudio);
    TID3Info tags;
    tags.Artist = "Abba";
    tags.Title = "Waterloo";
    tags.Comment = "Keep";
    tags.Track = 5;
    EXPECT_TRUE(WriteID3Tags(tagged, tags).Ok());
  }
  TTempFolder folder;
};

TEST_F(ChangeCommands, DryRunChangesNoByteAndForetellsTheRealRun) {
  for (const char* command : {"rename", "filename-as-title", "cleanup", "hands-free", "stamp"}) {
    std::vector<std::string> arguments = {command, folder.Path()};
    if (std::string(command) == "stamp") arguments.insert(arguments.begin() + 1, "--recognized");
    std::vector<std::string> dryArguments = arguments;
    dryArguments.insert(dryArguments.begin() + 1, "--dry-run");
    const auto before = Snapshot(folder);
    const TCliRun dry = RunCli(dryArguments);
    EXPECT_EQ(Snapshot(folder), before) << command;
    const TCliRun real = RunCli(arguments);
    EXPECT_EQ(dry.out, real.out) << command;
    EXPECT_EQ(dry.exitStatus, real.exitStatus) << command;
  }
  const auto before = Snapshot(folder);
  RunCli({"clear", "title", "--dry-run", folder.Path()});
  EXPECT_EQ(Snapshot(folder), before);
}

TEST_F(ChangeCommands, HandsFreeTagsAndRenamesOnlySongsNamedByTheirDetails) {
  const TCliRun run = RunCli({"hands-free", folder.Path()});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 4u) << run.out;
  EXPECT_EQ(lines[0]["file"], folder / "01 - moby - why_does_my_heart.mp3");
  EXPECT_EQ(lines[0]["action"], "tagged+renamed");
  EXPECT_EQ(lines[0]["new_file"], folder / "01 - Moby - Why Does My Heart.mp3");
  EXPECT_EQ(lines[0]["tags"]["title"], "Why Does My Heart");
  EXPECT_EQ(lines[0]["tags"]["track"], 1);
  EXPECT_EQ(lines[1]["file"], folder / "a+b.mp3");
  EXPECT_EQ(lines[1]["action"], "skipped");  // not recognised
  EXPECT_EQ(lines[2]["file"], folder / "Moby - Porcelain - www.site.com.mp3");
  EXPECT_EQ(lines[2]["action"], "skipped");
  EXPECT_TRUE(lines[2].contains("reason"));
  EXPECT_TRUE(lines[2]["tags"].is_null());
  EXPECT_EQ(lines[3]["action"], "skipped");  // x.mp3: the name is not its details

  TID3Info written;
  ASSERT_TRUE(ReadID3Tags(folder / "01 - Moby - Why Does My Heart.mp3", written).Value());
  EXPECT_EQ(written.Artist, "Moby");
  EXPECT_EQ(ReadWholeFile(folder / "Moby - Porcelain - www.site.com.mp3"), kAudio);
}

TEST_F(ChangeCommands, RenameNeverReplacesAFileAndReportsTheClash) {
  TTempFolder clash;
  clash.WriteFile("Moby - Why.mp3", "first");
  const std::string second = clash.WriteFile("moby - why.mp3", "second");
  // Make the second song compose to the first one's name through its tag.
  TID3Info tags;
  tags.Artist = "Moby";
  tags.Title = "Why";
  EXPECT_TRUE(WriteID3Tags(second, tags).Ok());
  const std::string secondBytes = ReadWholeFile(second);
  const TCliRun run = RunCli({"rename", clash.Path()});
  EXPECT_EQ(run.exitStatus, 1);
  std::map<std::string, nlohmann::json> byFile;
  for (const auto& line : run.Lines()) byFile[line["file"]] = line;
  ASSERT_EQ(byFile.size(), 2u);
  EXPECT_EQ(byFile[clash / "Moby - Why.mp3"]["action"], "skipped");  // already named after its details
  EXPECT_EQ(byFile[second]["action"], "failed");
  EXPECT_EQ(byFile[second]["reason"], "Error renaming file. Is it a duplicate or read-only?");
  EXPECT_EQ(ReadWholeFile(clash / "Moby - Why.mp3"), "first");
  EXPECT_EQ(ReadWholeFile(second), secondBytes);
}

TEST_F(ChangeCommands, SkipsAndReportsFilesThatCannotBeWritten) {
  const std::string readOnly = folder / "x.mp3";
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  const std::string bytes = ReadWholeFile(readOnly);
  const TCliRun run = RunCli({"clear", "comment", folder.Path()});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find(readOnly), std::string::npos) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[3]["file"], readOnly);
  EXPECT_EQ(lines[3]["action"], "skipped");
  EXPECT_EQ(lines[0]["action"], "tagged");
  EXPECT_EQ(ReadWholeFile(readOnly), bytes);
}

TEST_F(ChangeCommands, StampRecognizedWritesTheNamesDetailsAndKeepsTheTags) {
  const TCliRun run = RunCli({"stamp", "--recognized", folder.Path()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0]["action"], "tagged");
  EXPECT_EQ(lines[0]["tags"]["title"], "why does my heart");
  TID3Info tags;
  EXPECT_TRUE(ReadID3Tags(folder / "x.mp3", tags).Ok());
  EXPECT_EQ(tags.Comment, "Keep");
  EXPECT_EQ(tags.Track, 5);
  EXPECT_EQ(RunCli({"stamp", "--recognized", "--title", "T", folder.Path()}).exitStatus, 2);
}

TEST_F(ChangeCommands, ClearBlanksOneFieldAndKeepsTheOthers) {
  const TCliRun run = RunCli({"clear", "track", folder / "x.mp3"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  TID3Info tags;
  EXPECT_TRUE(ReadID3Tags(folder / "x.mp3", tags).Ok());
  EXPECT_EQ(tags.Track, 0);
  EXPECT_EQ(tags.Title, "Waterloo");
  EXPECT_EQ(tags.Comment, "Keep");
  EXPECT_EQ(RunCli({"clear", "bogus", folder.Path()}).exitStatus, 2);
}

}  // namespace
}  // namespace tagwright::testing
