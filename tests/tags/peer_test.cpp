// Files made by independent tag libraries (mutagen, eyeD3) read with ours, and files written by
// ours read back by mutagen.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cstdio>
#include <map>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/id3_info.h"
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

// mutagen's view of a file: "key=value" lines keyed by frame (and description); with everything,
// eyeD3's view of pictures, comments and user texts too.
std::multimap<std::string, std::string> Dump(const std::string& path, bool everything = false) {
  std::multimap<std::string, std::string> lines;
  const std::string output = RunPeer("dump '" + path + "'" + (everything ? " all" : ""));
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

std::size_t TagTotalByHeader(const std::string& file) {
  const auto b = [&](std::size_t i) { return static_cast<std::size_t>(static_cast<unsigned char>(file[i])); };
  return 10 + (b(6) << 21 | b(7) << 14 | b(8) << 7 | b(9));
}

std::string One(const std::multimap<std::string, std::string>& lines, const std::string& key) {
  const auto it = lines.find(key);
  return it == lines.end() ? "<none>" : it->second;
}

struct TPeerCase {
  const char* kind;
  TID3Info expected;                  // trimmed values as ReadID3Tags gives them
  std::vector<std::string> keptKeys;  // frames the writer must carry over unchanged
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const TPeerCase& c, std::ostream* out) { *out << c.kind; }

const TPeerCase PeerCases[] = {
    {"v23_latin1",
     Info("Caf\xC3\xA9 Song", "Bj\xC3\xB6rk", "Album", "1999", "Nice one", 3, "Rock"),
     {"TXXX:MusicBrainz Album Id", "PRIV:WM/MediaClassPrimaryID", "TRCK", "COMM::eng", "TPE1", "TALB"}},
    {"v23_utf16",
     Info("\xD0\x9F\xD0\xB5\xD1\x81\xD0\xBD\xD1\x8F", "\xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x8E\xB5", "Caf\xC3\xA9", "",
          "\xD0\xBA\xD0\xBE\xD0\xBC\xD0\xBC", 0, "Jazz"),
     {"APIC:cover", "USLT::eng", "TCOM", "COMM::eng", "TPE1", "TALB", "TCON"}},
    {"v24_utf8",
     Info("\xC3\x89t\xC3\xA9 \xE2\x98\x80", "Alpha/Beta", "Album 24", "2004", "utf-8 comment \xE2\x9C\x93", 7, "Rock"),
     {"APIC:fr\xC3\xB6nt", "TXXX:k\xC3\xA9y", "POPM:a@b.c", "UFID:http://musicbrainz.org", "TPOS", "COMM::eng", "TPE1",
      "TRCK"}},
    {"eyed3_v23",
     Info("Eye \xC3\x86", "Seer", "Vision", "2010", "eye comment", 4, "Rock"),
     {"APIC:cover", "USLT::eng", "TRCK", "COMM::eng", "TDRC"}},
    {"eyed3_v24",
     Info("Eye \xC3\x86", "Seer", "Vision", "2010", "eye comment", 4, "Rock"),
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

// Stamps a new title the way the command line does: both tags read, one field changed, both written.
void StampTitle(const std::string& path, const std::string& title) {
  TID3Info info;
  ASSERT_TRUE(ReadID3Tags(path, info).Ok());
  info.Title = title;
  ASSERT_TRUE(WriteID3Tags(path, info).Ok());
}

// Every frame mutagen read before the save, other than those of the keys changed (the title), it
// reads after it unchanged.
void ExpectEveryFrameKept(const std::multimap<std::string, std::string>& before,
                          const std::multimap<std::string, std::string>& after, const std::string& what,
                          const std::vector<std::string>& changedKeys = {"TIT2"}) {
  for (const auto& [key, value] : before) {
    if (key == "version" || std::find(changedKeys.begin(), changedKeys.end(), key) != changedKeys.end()) continue;
    bool found = false;
    for (auto [it, end] = after.equal_range(key); it != end; ++it) found = found || it->second == value;
    EXPECT_TRUE(found) << what << ": lost " << key << "=" << value.substr(0, 60);
  }
}

// A tag of mutagen's whose header says it ends in a footer that is not there: the footer flag
// must not make a save take ten bytes of audio for the footer.
TEST(PeerFlags, FooterFlagWithoutAFooterLosesNoAudio) {
  TTempFolder folder;
  const std::string path = folder / "song.mp3";
  RunPeer("make v24_utf8 '" + path + "'");
  std::string bytes = ReadWholeFile(path);
  bytes[5] = static_cast<char>(bytes[5] | 0x10);
  folder.WriteFile("song.mp3", bytes);
  const auto before = Dump(path);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  const std::size_t declared = TagTotalByHeader(bytes);
  EXPECT_EQ(static_cast<std::size_t>(tag.TagSize), declared);
  StampTitle(path, "Footless");
  const std::string file = ReadWholeFile(path);
  const std::string audio = SongAudio(20000);
  ASSERT_GE(file.size(), audio.size() + 128);
  EXPECT_TRUE(file.compare(file.size() - 128 - audio.size(), audio.size(), audio) == 0) << "the audio changed";
  const auto after = Dump(path);
  EXPECT_EQ(One(after, "audio"), One(before, "audio"));
  ExpectEveryFrameKept(before, after, "footer flag");
}

// A front cover set over mutagen's tag of two pictures: mutagen reads the new one and the back
// cover, and every other frame as it was.
TEST(PeerPictures, AFrontCoverSetReadsInMutagen) {
  TTempFolder folder;
  const std::string path = folder / "song.mp3";
  RunPeer("make rich_v24 '" + path + "'");
  const auto before = Dump(path, true);
  ASSERT_EQ(before.count("APIC:front"), 1U);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  const std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(20000, 'j');
  tag.PictureChange = {TPictureAction::SetFrontCover,
                       std::make_shared<TPicture>(TPicture{kFrontCoverPicture, "image/jpeg", "", jpeg})};
  ASSERT_TRUE(tag.Save(path).Ok());
  const auto after = Dump(path, true);
  EXPECT_EQ(after.count("APIC:front"), 0U);
  EXPECT_EQ(One(after, "APIC:").substr(0, 13), "image/jpeg|3|");
  EXPECT_EQ(One(after, "audio"), One(before, "audio"));
  ExpectEveryFrameKept(before, after, "front cover set", {"APIC:front", "eyed3-APIC:front"});
}

// A footer that is there is no audio: it goes with the old tag.
TEST(PeerFlags, AFooterThatIsThereGoesWithTheTag) {
  TTempFolder folder;
  const std::string body = Frame24("TIT2", Latin1Text("Old")) + Frame24("TPE1", Latin1Text("Who"));
  const std::string footer = "3DI" + Bytes({4, 0, 0x10}) + Syncsafe(static_cast<std::uint32_t>(body.size()));
  const std::string audio = SongAudio(20000);
  const std::string path = folder.WriteFile("song.mp3", Tag(4, body, 0, 0x10) + footer + audio);
  TID3v2 tag;
  ASSERT_TRUE(tag.Load(path).Ok());
  EXPECT_EQ(tag.TagSize, static_cast<std::int64_t>(10 + body.size() + 10));
  StampTitle(path, "New");
  const std::string file = ReadWholeFile(path);
  EXPECT_EQ(file.substr(TagTotalByHeader(file)), audio + file.substr(file.size() - 128));
}

// Tags other taggers read whole although they are odd: a save drops or cuts no frame that
// mutagen reads from them.
struct TOddTagCase {
  const char* name;
  std::string tag;
};

void PrintTo(const TOddTagCase& c, std::ostream* out) { *out << c.name; }

// A version 2.4 frame with its size as a plain number, as iTunes wrote them.
std::string PlainFrame24(std::string_view id, std::string_view content) {
  return std::string(id) + BigEndian32(static_cast<std::uint32_t>(content.size())) + Bytes({0, 0}) +
         std::string(content);
}

const std::string OddPicture =
    Bytes({0}) + "image/png" + Bytes({0, 3}) + "cover" + Bytes({0}) + std::string(228, '\x89');
const std::string OddPrivate = "owner" + Bytes({0}) + std::string(294, '\x42');

const TOddTagCase OddTagCases[] = {
    {"IdentifierOutsideAZ09",
     Tag(3,
         Frame23("TIT2", Latin1Text("Old")) + Frame23("Tit2", Latin1Text("odd")) + Frame23("APIC", OddPicture) +
             Frame23("TPE1", Latin1Text("Who")) + Frame23("PRIV", OddPrivate),
         50)},
    {"IdentifierOutsideAZ09InVersion24", Tag(4,
                                             Frame24("TIT2", Latin1Text("Old")) + Frame24("x-y!", Latin1Text("odd")) +
                                                 Frame24("APIC", OddPicture) + Frame24("PRIV", OddPrivate),
                                             50)},
    {"PlainSizesInVersion24", Tag(4,
                                  PlainFrame24("TIT2", Latin1Text("Old")) + PlainFrame24("APIC", OddPicture) +
                                      PlainFrame24("PRIV", OddPrivate) + PlainFrame24("TPE1", Latin1Text("Who")),
                                  40)},
    {"PlainSizesInVersion24WithoutPadding",
     Tag(4, PlainFrame24("TIT2", Latin1Text("Old")) + PlainFrame24("PRIV", OddPrivate) +
                PlainFrame24("APIC", OddPicture))},
    {"FrameRunningPastTheTag", Tag(3, Frame23("TIT2", Latin1Text("Old")) + Frame23("APIC", OddPicture) + "PRIV" +
                                          BigEndian32(5000) + Bytes({0, 0}) + OddPrivate)},
    {"Version22Frames",
     Tag(2,
         Frame22("TT2", Latin1Text("Old")) +
             Frame22("PIC", Bytes({0}) + "PNG" + Bytes({3}) + "cover" + Bytes({0}) + std::string(300, '\x89')) +
             Frame22("COM", Bytes({0}) + "eng" + Bytes({0}) + "Nice") +
             Frame22("COM", Bytes({0}) + "eng" + "iTunNORM" + Bytes({0}) + " 0001") +
             Frame22("ULT", Bytes({0}) + "eng" + Bytes({0}) + "la la") +
             Frame22("TXX", Bytes({0}) + "key" + Bytes({0}) + "value") + Frame22("WXX", Bytes({0, 0}) + "http://a.b/") +
             Frame22("UFI", "http://musicbrainz.org" + Bytes({0}) + "track-id") + Frame22("CNT", Bytes({0, 0, 0, 7})) +
             Frame22("POP", "a@b.c" + Bytes({0, 196, 0, 0, 0, 3})) + Frame22("TP1", Latin1Text("Who")) +
             Frame22("TT1", Latin1Text("Group")) + Frame22("TOR", Latin1Text("1970")) +
             Frame22("TYE", Latin1Text("1999")),
         30)},
    {"TwoLinks",
     Tag(3,
         Frame23("TIT2", Latin1Text("Old")) + Frame23("WXXX", Latin1Text("") + Bytes({0}) + "http://a.example/") +
             Frame23("WXXX", Latin1Text("shop") + Bytes({0}) + "http://b.example/"),
         30)},
};

class OddTags : public ::testing::TestWithParam<TOddTagCase> {};

TEST_P(OddTags, ASaveKeepsEveryFrameMutagenReads) {
  const TOddTagCase& c = GetParam();
  TTempFolder folder;
  const std::string path = folder.WriteFile("song.mp3", c.tag + SongAudio(20000));
  const auto before = Dump(path);
  ASSERT_GT(before.size(), 3u) << c.name << ": mutagen reads nothing";
  if (std::string_view(c.name) == "TwoLinks") {
    for (const char* key : {"WXXX:", "WXXX:shop", "eyed3-WXXX:", "eyed3-WXXX:shop"}) {
      ASSERT_EQ(before.count(key), 1u) << key << " is not read as made";
    }
  }
  for (int round = 0; round < 2; ++round) {  // the second save reads the first one's tag
    StampTitle(path, "New");
    const auto after = Dump(path);
    EXPECT_EQ(One(after, "TIT2"), "New") << c.name;
    EXPECT_EQ(One(after, "audio"), One(before, "audio")) << c.name << ": the audio changed";
    ExpectEveryFrameKept(before, after, c.name);
  }
}

INSTANTIATE_TEST_SUITE_P(Hand, OddTags, ::testing::ValuesIn(OddTagCases),
                         [](const ::testing::TestParamInfo<TOddTagCase>& info) {
                           return std::string(info.param.name);
                         });

// Songs with pictures, several comment and user text frames and frames no tagger knows, made by
// the peers or by hand: edits of the comment keep every frame as mutagen and eyeD3 read it and
// leave the audio as it was; after the first, which lays the tag out anew, an edit moves no
// picture and changes a few hundred bytes.
struct TRichTagCase {
  const char* name;
  const char* peerKind;  // made by peer_files.py, or null for tag
  std::string tag;
};

void PrintTo(const TRichTagCase& c, std::ostream* out) { *out << c.name; }

const std::string RichPicture = Bytes({0}) + "image/png" + Bytes({0, 3}) + "front" + Bytes({0}) + SongAudio(40000);

const TRichTagCase RichTagCases[] = {
    {"MutagenVersion23", "rich_v23", {}},
    {"MutagenVersion24", "rich_v24", {}},
    {"EyeD3Version24", "eyed3_v24", {}},
    {"UnknownFramesAmongPictures", nullptr,
     Tag(3,
         Frame23("TIT2", Latin1Text("Hand")) + Frame23("COMM", Bytes({0}) + "eng" + Bytes({0}) + "old comment") +
             Frame23("XABC", Bytes({1, 2, 3}) + "nobody knows") + Frame23("APIC", RichPicture) +
             Frame23("TXXX", Latin1Text("one") + Bytes({0}) + "1") +
             Frame23("TXXX", Latin1Text("two") + Bytes({0}) + "2") +
             Frame23("COMM", Bytes({0}) + "fra" + "note" + Bytes({0}) + "bonjour") +
             Frame23("APIC", Bytes({0}) + "image/jpeg" + Bytes({0, 4}) + "back" + Bytes({0}) + SongAudio(20000)) +
             Frame23("ZZZ9", std::string(300, '\x07')) + Frame23("TPE1", Latin1Text("Who")),
         500)},
};

class RichTags : public ::testing::TestWithParam<TRichTagCase> {};

TEST_P(RichTags, CommentEditsKeepEveryFrameAndMoveNoPicture) {
  const TRichTagCase& c = GetParam();
  TTempFolder folder;
  std::string path = folder / "song.mp3";
  if (c.peerKind) {
    RunPeer(std::string("make ") + c.peerKind + " '" + path + "'");
  } else {
    path = folder.WriteFile("song.mp3", c.tag + SongAudio(20000) + Trailer("Hand"));
  }
  const auto before = Dump(path, true);
  const std::vector<std::string> comments = {"COMM::eng", "eyed3-COMM::eng"};
  std::string previous;
  for (int round = 0; round < 4; ++round) {
    TID3Info info;
    ASSERT_TRUE(ReadID3Tags(path, info).Value());
    const std::string comment = round % 2 == 0 ? "a longer comment, round " + std::to_string(round) : "short";
    info.Comment = comment;
    ASSERT_TRUE(WriteID3Tags(path, info).Ok());
    const auto after = Dump(path, true);
    EXPECT_EQ(One(after, "audio"), One(before, "audio")) << c.name << " round " << round << ": the audio changed";
    EXPECT_EQ(One(after, "COMM::eng"), comment) << c.name;
    EXPECT_EQ(One(after, "eyed3-COMM::eng"), comment) << c.name;
    ExpectEveryFrameKept(before, after, std::string(c.name) + " round " + std::to_string(round), comments);
    const std::string file = ReadWholeFile(path);
    if (round > 0) {
      ASSERT_EQ(file.size(), previous.size()) << c.name << " round " << round << ": not written in place";
      const auto first = std::mismatch(file.begin(), file.end(), previous.begin()).first - file.begin();
      const auto last = file.rend() - std::mismatch(file.rbegin(), file.rend(), previous.rbegin()).first;
      const std::size_t tagTotal = TagTotalByHeader(file);
      // The tag's changes lie after its pictures, and a few hundred bytes cover them; the trailer
      // holds the comment's other copy.
      EXPECT_GT(static_cast<std::size_t>(first), tagTotal / 2) << c.name << " round " << round;
      std::size_t lastInHead = 0;
      for (std::size_t i = tagTotal; i-- > 0;) {
        if (file[i] != previous[i]) {
          lastInHead = i;
          break;
        }
      }
      EXPECT_LT(lastInHead - static_cast<std::size_t>(first), 400u) << c.name << " round " << round;
      EXPECT_GE(static_cast<std::size_t>(last), file.size() - 128) << c.name << ": the trailer holds the comment";
    }
    previous = file;
  }
}

INSTANTIATE_TEST_SUITE_P(Songs, RichTags, ::testing::ValuesIn(RichTagCases),
                         [](const ::testing::TestParamInfo<TRichTagCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace tagwright
