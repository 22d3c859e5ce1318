#include <gtest/gtest.h>
#include <sys/stat.h>
#include <algorithm>

#include "cli_runner.h"
#include "support/temp_folder.h"
#include "support/test_songs.h"

namespace tagwright::testing {
namespace {

const char* const kAllKeys[] = {
    "file",    "recognition", "unsaved_id3", "artist",       "title",   "mix",           "track",
    "album",   "featuring",   "genre",       "comment",      "year",    "url",           "copy",
    "cd",      "mix2",        "full_title",  "padded_track", "renamed", "composed_name", "holds_only_details",
    "writable"};

TEST(ScanCommand, ListsAFoldersSongsInFileNameOrderWithEveryKey) {
  TTempFolder folder;
  folder.WriteFile("07 - Moby - Why.mp3");
  folder.WriteFile("Moby - Porcelain [Remix].MP3");
  folder.WriteFile("Artist - Title (2).mp3");
  folder.WriteFile("Track 05");
  folder.WriteFile("cover.jpg");
  folder.WriteFile(".hidden.mp3");
  folder.WriteFile("sub/Deep - Song.mp3");
  const std::string readOnly = folder.WriteFile("Zed - Last.mp3");
  ASSERT_EQ(chmod(readOnly.c_str(), 0444), 0);

  const TCliRun run = RunCli({"scan", "--no-tags", folder.Path()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 5u) << run.out;
  for (const auto& line : lines) {
    for (const char* key : kAllKeys) EXPECT_TRUE(line.contains(key)) << key;
    EXPECT_EQ(line.size(), std::size(kAllKeys));
  }
  EXPECT_EQ(lines[0]["file"], folder / "07 - Moby - Why.mp3");
  EXPECT_EQ(lines[0]["track"], "07");
  EXPECT_EQ(lines[0]["padded_track"], "07");
  EXPECT_EQ(lines[0]["renamed"], true);

  EXPECT_EQ(lines[1]["file"], folder / "Artist - Title (2).mp3");
  EXPECT_EQ(lines[1]["recognition"], "failed");
  EXPECT_EQ(lines[1]["unsaved_id3"], false);
  EXPECT_EQ(lines[1]["copy"], "");
  EXPECT_EQ(lines[1]["renamed"], true);
  EXPECT_EQ(lines[1]["composed_name"], ".mp3");
  EXPECT_EQ(lines[1]["holds_only_details"], false);

  EXPECT_EQ(lines[2]["file"], folder / "Moby - Porcelain [Remix].MP3");
  EXPECT_EQ(lines[2]["recognition"], "pattern");
  EXPECT_EQ(lines[2]["unsaved_id3"], true);
  EXPECT_EQ(lines[2]["artist"], "Moby");
  EXPECT_EQ(lines[2]["title"], "Porcelain");
  EXPECT_EQ(lines[2]["mix"], "Remix");
  EXPECT_EQ(lines[2]["track"], "");
  EXPECT_EQ(lines[2]["full_title"], "Porcelain (Remix)");
  EXPECT_EQ(lines[2]["renamed"], false);  // "[Remix]" is composed as "(Remix)"
  EXPECT_EQ(lines[2]["composed_name"], "Moby - Porcelain (Remix).mp3");
  EXPECT_EQ(lines[2]["holds_only_details"], true);
  EXPECT_EQ(lines[2]["writable"], true);

  EXPECT_EQ(lines[3]["file"], folder / "Track 05");
  EXPECT_EQ(lines[3]["recognition"], "loose");
  EXPECT_EQ(lines[3]["title"], "Track 05");
  EXPECT_EQ(lines[4]["file"], readOnly);
  EXPECT_EQ(lines[4]["writable"], false);
  EXPECT_EQ(lines[4]["renamed"], true);
}

TEST(ScanCommand, TakesSubfoldersOnlyWhenAskedAndFilesAsGiven) {
  TTempFolder folder;
  folder.WriteFile("a - b.mp3");
  folder.WriteFile("sub/c - d.mp3");
  const std::string loose = folder.WriteFile("other/notes.txt");
  EXPECT_EQ(RunCli({"scan", "--no-tags", folder.Path()}).Lines().size(), 1u);
  EXPECT_EQ(RunCli({"scan", "--no-tags", "--recursive", folder.Path()}).Lines().size(), 2u);
  const auto lines = RunCli({"scan", "--no-tags", loose, folder / "sub"}).Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["file"], loose);
  EXPECT_EQ(lines[1]["file"], folder / "sub/c - d.mp3");
}

TEST(ScanCommand, ReportsWhatCannotBeReadAndStillPrintsTheRest) {
  TTempFolder folder;
  folder.WriteFile("a - b.mp3");
  const TCliRun run = RunCli({"scan", "--no-tags", folder / "missing", folder.Path()});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find(folder / "missing"), std::string::npos) << run.err;
  EXPECT_EQ(run.Lines().size(), 1u);
}

TEST(ScanCommand, ListsNamesThatAreNotUtf8WithTheirBytesEscaped) {
  TTempFolder folder;
  folder.WriteFile("Caf\xE9 - Song.mp3");
  const TCliRun run = RunCli({"scan", "--no-tags", folder.Path()});
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_NE(run.out.find("Caf\\udce9 - Song.mp3"), std::string::npos) << run.out;
}

// A folder that cannot be read is named with the reason, among the songs of the others.
TEST(ScanCommand, NamesEachFolderItCannotRead) {
  TTempFolder folder;
  const std::string song = folder.WriteFile("Moby - Why.mp3");
  folder.WriteFile("locked/Hidden - Song.mp3");
  folder.WriteFile("open/deeper/locked/Other - Song.mp3");
  ASSERT_EQ(chmod((folder / "locked").c_str(), 0), 0);
  ASSERT_EQ(chmod((folder / "open/deeper/locked").c_str(), 0), 0);
  const TCliRun run = RunCliHeldToPermissions({"scan", "--recursive", "--no-tags", folder.Path()});
  ASSERT_EQ(chmod((folder / "locked").c_str(), 0700), 0);
  ASSERT_EQ(chmod((folder / "open/deeper/locked").c_str(), 0700), 0);
  EXPECT_EQ(run.exitStatus, 1) << run.err;
  std::vector<std::string> unreadable;
  std::vector<std::string> songs;
  for (const auto& line : run.Lines()) {
    if (line.contains("folder")) {
      EXPECT_EQ(line["reason"], "Permission denied") << line;
      unreadable.push_back(line["folder"]);
    } else {
      songs.push_back(line["file"]);
    }
  }
  std::sort(unreadable.begin(), unreadable.end());  // in the order the folders were met
  EXPECT_EQ(unreadable, (std::vector<std::string>{folder / "locked", folder / "open/deeper/locked"}));
  EXPECT_EQ(songs, std::vector<std::string>{song});
  EXPECT_NE(run.err.find("Cannot read folder " + folder / "locked" + " (Permission denied)"), std::string::npos)
      << run.err;
}

TEST(ScanCommand, MoreNameStylesReadsTidiedNamesAndSaysSo) {
  TTempFolder folder;
  folder.WriteFile("05. Coldplay - Yellow.mp3");
  folder.WriteFile("Moby - Why.mp3");
  const TCliRun plain = RunCli({"scan", "--no-tags", folder.Path()});
  EXPECT_EQ(plain.Lines().at(0)["recognition"], "failed");
  EXPECT_FALSE(plain.Lines().at(0).contains("tidied_name"));  // the lines stay as they were

  const TCliRun run = RunCli({"scan", "--no-tags", "--more-name-styles", folder.Path()});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto lines = run.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0]["recognition"], "pattern");
  EXPECT_EQ(lines[0]["artist"], "Coldplay");
  EXPECT_EQ(lines[0]["track"], "05");
  EXPECT_EQ(lines[0]["tidied_name"], true);
  EXPECT_EQ(lines[1]["tidied_name"], false);
}

TEST(ScanCommand, AudioAddsEachSongsAudioFactsOrWhyItHasNone) {
  TTempFolder folder;
  folder.WriteFile("a - real.mp3", MpegAudio(100));
  folder.WriteFile("b - fake.mp3", SongAudio(2004));
  // Delay and padding told apart: each under its own key.
  folder.WriteFile("c - lame.mp3", EncoderHeaderFrame("Info", 99, "LAME3.100", 576, 1105) + MpegAudio(99));
  const char* const audioKeys[] = {"duration_ms",  "bitrate_kbps", "bitrate_mode",  "sample_rate",    "channels",
                                   "channel_mode", "mpeg",         "encoder_delay", "encoder_padding"};
  // The same whether the listing reads the facts with the tags or, without tags, on their own.
  for (const bool noTags : {false, true}) {
    std::vector<std::string> arguments = {"scan", "--audio", folder.Path()};
    if (noTags) arguments.insert(arguments.begin() + 1, "--no-tags");
    const TCliRun run = RunCli(arguments);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const auto lines = run.Lines();
    ASSERT_EQ(lines.size(), 3u) << run.out;
    ASSERT_EQ(lines[0].size(), std::size(kAllKeys) + std::size(audioKeys));
    EXPECT_EQ(lines[0]["duration_ms"], 2606);  // 100 frames of 1152 samples at 44.1 kHz
    EXPECT_EQ(lines[0]["bitrate_kbps"], 128);
    EXPECT_EQ(lines[0]["bitrate_mode"], "cbr");
    EXPECT_EQ(lines[0]["sample_rate"], 44100);
    EXPECT_EQ(lines[0]["channels"], 2);
    EXPECT_EQ(lines[0]["channel_mode"], "joint stereo");
    EXPECT_EQ(lines[0]["mpeg"], "1 layer III");
    EXPECT_TRUE(lines[0]["encoder_delay"].is_null());
    ASSERT_EQ(lines[1].size(), std::size(kAllKeys) + 1);
    EXPECT_EQ(lines[1]["audio_reason"], "no MPEG audio frames where the audio should begin");
    EXPECT_EQ(lines[2]["encoder_delay"], 576);
    EXPECT_EQ(lines[2]["encoder_padding"], 1105);
  }
  // Without the option the lines are as they always were.
  for (const auto& line : RunCli({"scan", folder.Path()}).Lines()) EXPECT_EQ(line.size(), std::size(kAllKeys));
}

TEST(ScanCommand, RejectsAnUnusableCommandLineWithStatusTwo) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, {"scan"}, {"scan", "--bogus", "/tmp"}, {"nonsense"}}) {
    const TCliRun run = RunCli(arguments);
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_NE(run.err.find("scan"), std::string::npos) << run.err;  // the usage text
    EXPECT_TRUE(run.out.empty());
  }
}

}  // namespace
}  // namespace tagwright::testing
