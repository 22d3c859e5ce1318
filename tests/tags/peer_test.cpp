// Files made by independent tag libraries (mutagen, eyeD3) read with ours, and files written by
// ours read back by mutagen.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sys/wait.h>

#include "support/temp_folder.h"
#include "tags/id3_info.h"
#include "tag_bytes.h"
#include "tags/id3v2.h"
#include "text/ascii_text.h"

namespace tagwright {
namespace {

using namespace testing;

// Runs the helper script; a missing Python library fails the test with the script's message.
std::string RunPeer(const std::string& arguments) {
  const std::string command = std::string(TAGWRIGHT_PYTHON3) + " " + TAGWRIGHT_PEER_SCRIPT + " " + arguments + " 2>&1";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return {};
  }
  std::string output;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
  const int status = ::pclose(pipe);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n" << output;
  return output;
}

// mutagen's view of a file: "key=value" lines keyed by frame (and description).
std::multimap<std::string, std::string> Dump(const std::string& path) {
  std::multimap<std::string, std::string> lines;
  const std::string output = RunPeer("dump '" + path + "'");
  std::size_t pos = 0;
  while (pos < output.size()) {
    std::size_t end = output.find('\n', pos);
    if (end == std::string::npos) end = output.size();
    const std::string line = output.substr(pos, end - pos);
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) lines.emplace(line.substr(0, eq), line.substr(eq + 1));
    pos = end + 1;
  }
  return lines;
}

std::string One(const std::multimap<std::string, std::string>& lines, const std::string& key) {
  const auto it = lines.find(key);
  return it == lines.end() ? "<none>" : it->second;
}

struct TPeerCase {
  const char* kind;
  TID3Info expected;  // trimmed values as ReadID3Tags gives them
  std::vector<std::string> keptKeys;  // frames the writer must carry over unchanged
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TPeerCase& c, std::ostream* out) { *out << c.kind; }

const TPeerCase PeerCases[] = {
    {"v23_latin1", Info("Caf\xC3\xA9 Song", "Bj\xC3\xB6rk", "Album", "1999", "Nice one", 3, "Rock"),
     {"TXXX:MusicBrainz Album Id", "PRIV:WM/MediaClassPrimaryID", "TRCK", "COMM::eng", "TPE1", "TALB"}},
    {"v23_utf16",
     Info("\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F", "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5", "Caf\xC3\xA9", "",
          "\xD0\xBA\xD0\xBE\xD0\xBC\xD0\xBC", 0, "Jazz"),
     {"APIC:cover", "USLT::eng", "TCOM", "COMM::eng", "TPE1", "TALB", "TCON"}},
    {"v24_utf8",
     Info("\xC3\x89t\xC3\xA9 \xE2\x98\x80", "Alpha/Beta", "Album 24", "2004", "utf-8 comment \xE2\x9C\x93", 7, "Rock"),
     {"APIC:fr\xC3\xB6nt", "TXXX:k\xC3\xA9y", "POPM:a@b.c", "UFID:http://musicbrainz.org", "TPOS", "COMM::eng", "TPE1", "TRCK"}},
    {"eyed3_v23", Info("Eye \xC3\x86", "Seer", "Vision", "2010", "eye comment", 4, "Rock"),
     {"APIC:cover", "USLT::eng", "TRCK", "COMM::eng", "TDRC"}},
    {"eyed3_v24", Info("Eye \xC3\x86", "Seer", "Vision", "2010", "eye comment", 4, "Rock"),
     {"APIC:cover", "USLT::eng", "TRCK", "COMM::eng", "TDRC"}},
    {"eyed3_v1", Info("V1 Title", "V1 Artist", "V1 Album", "1987", "v1 comment", 5, "Rock"), {}},
};

class PeerFiles : public ::testing::TestWithParam<TPeerCase> {};

TEST_P(PeerFiles, ReadByUs) {
  const TPeerCase& c = GetParam();
  TTempFolder folder;
  const std::string path = folder / "song.mp3";
  RunPeer(std::string("make ") + c.kind + " '" + path + "'");
  TID3Info info;
  ASSERT_TRUE(ReadID3Tags(path, info).Value());
  EXPECT_EQ(TrimText(info.Title), c.expected.Title);
  EXPECT_EQ(TrimText(info.Artist), c.expected.Artist);
  EXPECT_EQ(TrimText(info.Album), c.expected.Album);
  EXPECT_EQ(TrimText(info.Year), c.expected.Year);
  EXPECT_EQ(TrimText(info.Comment), c.expected.Comment);
  EXPECT_EQ(info.Track, c.expected.Track);
  EXPECT_EQ(info.Genre, c.expected.Genre);
}

TEST_P(PeerFiles, WrittenByUsReadByMutagen) {
  const TPeerCase& c = GetParam();
  TTempFolder folder;
  const std::string path = folder / "song.mp3";
  RunPeer(std::string("make ") + c.kind + " '" + path + "'");
  const auto before = Dump(path);
  TID3Info info;
  ASSERT_TRUE(ReadID3Tags(path, info).Value());
  const std::string title = "Nouveau \xE2\x98\x83 titre";
  for (int round = 0; round < 2; ++round) {  // the second save goes in place
    info.Title = title;
    EXPECT_TRUE(WriteID3Tags(path, info).Ok());
    const auto after = Dump(path);
    EXPECT_EQ(One(after, "version"), "2.3") << c.kind;
    EXPECT_EQ(One(after, "audio"), One(before, "audio")) << c.kind << ": the audio bytes changed";
    EXPECT_EQ(One(after, "TIT2"), title) << c.kind;
    for (const std::string& key : c.keptKeys) EXPECT_EQ(One(after, key), One(before, key)) << c.kind << " " << key;
    EXPECT_EQ(One(after, "TCON"), c.expected.Genre) << c.kind;
    if (!c.expected.Year.empty()) {
      EXPECT_EQ(One(after, "TDRC").substr(0, 4), c.expected.Year) << c.kind;
    }
    EXPECT_EQ(after.count("COMM::eng"), 1u) << c.kind;
  }
  TID3Info back;
  ASSERT_TRUE(ReadID3Tags(path, back).Value());
  EXPECT_EQ(back.Title, title);
  EXPECT_EQ(TrimText(back.Artist), c.expected.Artist);
  EXPECT_EQ(back.Track, c.expected.Track);
}

INSTANTIATE_TEST_SUITE_P(Libraries, PeerFiles, ::testing::ValuesIn(PeerCases),
                         [](const ::testing::TestParamInfo<TPeerCase>& info) { return std::string(info.param.kind); });

}  // namespace
}  // namespace tagwright
