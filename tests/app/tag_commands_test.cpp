#include <gtest/gtest.h>
#include <sys/stat.h>

#include "cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"

namespace tagwright::testing {
namespace {

const std::string kAudio = SongAudio(2004);

const char* const kTopKeys[] = {"file", "has_tags", "title", "artist", "album",
                                "year", "comment",  "genre", "track",  "id3v2"};
const char* const kID3v2Keys[] = {"has_tag", "major_version", "tag_size", "title", "artist",  "album",
                                  "track",   "track_text",    "year",     "genre", "comment", "composer",
                                  "encoder", "copyright",     "language", "link"};

TEST(TagCommands, StampThenShow) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("song.mp3", kAudio);
  TCliRun run = RunCli({"stamp", "--title", "  Caf\xC3\xA9 ", "--artist", "Someone", "--album", "Album", "--year",
                        "2001", "--comment", "Nice", "--genre", "rock", "--track", "7", song});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  ASSERT_EQ(run.Lines().size(), 1u) << run.out;
  EXPECT_EQ(run.Lines()[0]["action"], "tagged");
  EXPECT_EQ(run.Lines()[0]["tags"]["artist"], "Someone");

  run = RunCli({"tags", song});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 1u);
  const auto& line = lines[0];
  EXPECT_EQ(line.size(), std::size(kTopKeys) + 1);  // and why the song has no audio facts
  EXPECT_EQ(line.value("audio_reason", ""), "no MPEG audio frames where the audio should begin");
  for (const char* key : kTopKeys) EXPECT_TRUE(line.contains(key)) << key;
  EXPECT_EQ(line["id3v2"].size(), std::size(kID3v2Keys));
  for (const char* key : kID3v2Keys) EXPECT_TRUE(line["id3v2"].contains(key)) << key;
  EXPECT_EQ(line["file"], song);
  EXPECT_EQ(line["has_tags"], true);
  EXPECT_EQ(line["title"], "Caf\xC3\xA9");
  EXPECT_EQ(line["artist"], "Someone");
  EXPECT_EQ(line["genre"], "rock");
  EXPECT_EQ(line["track"], 7);
  const auto& id3v2 = line["id3v2"];
  EXPECT_EQ(id3v2["has_tag"], true);
  EXPECT_EQ(id3v2["major_version"], 3);
  EXPECT_EQ(id3v2["tag_size"], 4096);
  EXPECT_EQ(id3v2["track"], 7);
  EXPECT_EQ(id3v2["track_text"], "7");
  EXPECT_EQ(id3v2["year"], "2001");
  EXPECT_EQ(id3v2["comment"], "Nice");
  // The audio follows the new tag unchanged; the ID3v1 trailer ends the file.
  const std::string file = ReadWholeFile(song);
  ASSERT_EQ(file.size(), 4096 + kAudio.size() + 128);
  EXPECT_TRUE(file.substr(4096, kAudio.size()) == kAudio);
  EXPECT_EQ(file.substr(file.size() - 128, 3), "TAG");
}

TEST(TagCommands, StampSetsOnlyTheGivenFields) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("song.mp3", kAudio);
  ASSERT_EQ(
      RunCli({"stamp", "--title", "T", "--artist", "A", "--comment", "C", "--track", "3", "--year", " 2001 ", song})
          .exitStatus,
      0);
  EXPECT_EQ(RunCli({"tags", song}).Lines()[0]["year"], "2001");
  // An empty text clears; fields not named stay.
  ASSERT_EQ(RunCli({"stamp", "--comment", "", "--track", "", "--year", "", song}).exitStatus, 0);
  const auto lines = RunCli({"tags", song}).Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["id3v2"]["title"], "T");
  EXPECT_EQ(lines[0]["id3v2"]["artist"], "A");
  EXPECT_EQ(lines[0]["id3v2"]["comment"], "");
  EXPECT_EQ(lines[0]["year"], "");
  EXPECT_EQ(lines[0]["track"], 0);
}

TEST(TagCommands, UnwritableFilesAreNamedAndLeftAlone) {
  TTempFolder folder;
  const std::string readOnly = folder.WriteFile("locked.mp3", kAudio);
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);
  const std::string open = folder.WriteFile("open.mp3", kAudio);
  const TCliRun run = RunCli({"stamp", "--title", "X", readOnly, open, folder / "missing.mp3"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find(readOnly), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(folder / "missing.mp3"), std::string::npos) << run.err;
  EXPECT_TRUE(ReadWholeFile(readOnly) == kAudio);
  EXPECT_FALSE(FileExists(folder / "missing.mp3"));
  const auto lines = RunCli({"tags", open}).Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["title"], "X");
}

TEST(TagCommands, ShowsTheAudioFacts) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("song.mp3", MpegAudio(50) + "TAG" + std::string(125, ' '));
  const auto lines = RunCli({"tags", song}).Lines();
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_TRUE(lines[0].contains("duration_ms")) << lines[0];
  EXPECT_EQ(lines[0]["duration_ms"], 1303);  // the trailer is no audio
  EXPECT_EQ(lines[0]["bitrate_kbps"], 128);
  EXPECT_EQ(lines[0]["sample_rate"], 44100);
  EXPECT_EQ(lines[0]["mpeg"], "1 layer III");
  EXPECT_FALSE(lines[0].contains("audio_reason"));
}

TEST(TagCommands, ShowsFilesWithoutTagsAndReportsMissingOnes) {
  TTempFolder folder;
  const std::string bare = folder.WriteFile("bare.mp3", kAudio);
  const TCliRun run = RunCli({"tags", bare, folder / "missing.mp3"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("missing.mp3"), std::string::npos);
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0]["has_tags"], false);
  EXPECT_EQ(lines[0]["id3v2"]["has_tag"], false);
  EXPECT_EQ(lines[0]["id3v2"]["major_version"], 0);
  EXPECT_EQ(lines[0]["track"], 0);
}

}  // namespace
}  // namespace tagwright::testing
