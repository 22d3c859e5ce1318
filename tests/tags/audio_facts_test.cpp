// The audio facts of songs that lame encoded, against mutagen's reading of them, and of hand-made
// files at the edges: no audio, junk, free format, a lone frame, stacked tags, tags at the end.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <sstream>

#include "support/temp_folder.h"
#include "tag_bytes.h"
#include "tags/audio_facts.h"
#include "tags/byte_source.h"
#include "tags/mp3_content.h"
#include "tags/tag_versions.h"

namespace tagwright {
namespace {

using namespace testing;

// mutagen's reading of one of the songs peer_files.py encodes.
struct TPeerAudio {
  std::int64_t DurationMs = 0;
  double BitrateKbps = 0;
  int SampleRate = 0;
  int Channels = 0;
  std::string Mpeg;
  std::string BitrateMode;
};

// Encodes the songs once for all the cases, and keeps mutagen's reading of each by kind.
class AudioFactsPeer : public ::testing::TestWithParam<const char*> {
 protected:
  static void SetUpTestSuite() {
    folder_ = std::make_unique<TTempFolder>();
    const std::string command =
        std::string(TAGWRIGHT_PYTHON3) + " " + TAGWRIGHT_PEER_SCRIPT + " audio_set '" + folder_->Path() + "' 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr) << command;
    std::string output;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
    const int status = ::pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << command << "\n" << output;
    std::istringstream lines(output);
    std::string kind;
    std::string version;
    TPeerAudio peer;
    int layer = 0;
    while (lines >> kind >> peer.DurationMs >> peer.BitrateKbps >> peer.SampleRate >> peer.Channels >> version >>
           layer >> peer.BitrateMode) {
      peer.Mpeg = version + " layer " + std::string(static_cast<std::size_t>(layer), 'I');
      peers_[kind] = peer;
    }
  }
  static void TearDownTestSuite() { folder_.reset(); }

  static std::unique_ptr<TTempFolder> folder_;
  static std::map<std::string, TPeerAudio> peers_;
};

std::unique_ptr<TTempFolder> AudioFactsPeer::folder_;
std::map<std::string, TPeerAudio> AudioFactsPeer::peers_;

TEST_P(AudioFactsPeer, AgreesWithMutagen) {
  const std::string kind = GetParam();
  ASSERT_TRUE(peers_.contains(kind)) << "peer_files.py made no " << kind;
  const TPeerAudio& peer = peers_[kind];
  const TResultOf<TAudioFacts> read = ReadAudioFacts(*folder_ / (kind + ".mp3"));
  ASSERT_TRUE(read.Ok()) << read.Failure().Describe() << ": " << read.Failure().Error().message();
  const TAudioFacts& facts = read.Value();
  // Every song lame made is an MP3 by its content, behind junk or a large tag alike.
  TFileSource song;
  ASSERT_TRUE(song.Open(*folder_ / (kind + ".mp3")));
  const TResultOf<TContentKind> content = SniffContent(song, kind);
  ASSERT_TRUE(content.Ok());
  EXPECT_EQ(content.Value(), TContentKind::Mp3);

  EXPECT_EQ(facts.SampleRate, peer.SampleRate);
  EXPECT_EQ(facts.Channels, peer.Channels);
  EXPECT_EQ(facts.MpegText(), peer.Mpeg);
  EXPECT_EQ(facts.BitrateMode, peer.BitrateMode);
  const double durationSlack = std::max(60.0, 0.02 * static_cast<double>(peer.DurationMs));
  EXPECT_LE(std::abs(static_cast<double>(facts.DurationMs - peer.DurationMs)), durationSlack)
      << facts.DurationMs << " ms against " << peer.DurationMs;
  const double bitrateShare = peer.BitrateMode == "cbr" ? 0.03 : 0.08;
  EXPECT_LE(std::abs(facts.BitrateKbps - peer.BitrateKbps), bitrateShare * peer.BitrateKbps)
      << facts.BitrateKbps << " kbit/s against " << peer.BitrateKbps;
  // With a LAME header the length is the sound's, to the sample: the two seconds encoded.
  if (facts.VbrHeader == "Info" || facts.VbrHeader == "Xing") {
    EXPECT_EQ(facts.Encoder, "LAME3.100");
    EXPECT_EQ(facts.EncoderDelay, 576);
    EXPECT_EQ(facts.DurationMs, 2000);
  } else {
    EXPECT_FALSE(facts.EncoderDelay.has_value());
  }
}

// The kinds of peer_files.py's AUDIO_KINDS: CBR, VBR and ABR, MPEG 1, 2 and 2.5, mono and stereo,
// without the Info header (lame -t), behind a tag of 300 KB and behind junk.
INSTANTIATE_TEST_SUITE_P(LameSongs, AudioFactsPeer,
                         ::testing::Values("mpeg1_cbr_stereo", "mpeg1_vbr_stereo", "mpeg1_abr_stereo", "mpeg1_cbr_mono",
                                           "mpeg2_cbr_mono", "mpeg2_vbr_stereo", "mpeg2_abr_mono", "mpeg25_cbr_stereo",
                                           "mpeg25_vbr_mono", "mpeg25_abr_stereo", "no_info_mpeg1_cbr",
                                           "no_info_mpeg1_vbr", "no_info_mpeg25_cbr_mono", "big_tag_vbr",
                                           "big_tag_no_info_cbr", "junk_cbr", "tag_and_junk_vbr",
                                           "junk_no_info_mpeg2_cbr"),
                         [](const auto& info) { return std::string(info.param); });

// An ID3v2.3 tag of size bytes in all, padding only.
std::string PaddingTag(std::uint32_t size) {
  return "ID3" + Bytes({3, 0, 0}) + Syncsafe(size - 10) + std::string(size - 10, '\0');
}

// An APE tag with header and footer around one item, as taggers append it before an ID3v1 trailer.
std::string ApeTag() {
  const std::string item = Bytes({5, 0, 0, 0, 0, 0, 0, 0}) + "Title" + '\0' + "Hello";
  const auto part = [&](bool header) {
    const std::uint32_t size = static_cast<std::uint32_t>(item.size()) + 32;
    return "APETAGEX" + Bytes({0xD0, 0x07, 0, 0}) + Bytes({static_cast<int>(size), 0, 0, 0}) + Bytes({1, 0, 0, 0}) +
           Bytes({0, 0, 0, header ? 0xA0 : 0x80}) + std::string(8, '\0');
  };
  return part(true) + item + part(false);
}

std::string Trailer() { return "TAG" + std::string(125, ' '); }

struct TEdgeCase {
  const char* name;
  std::string bytes;
  std::optional<TAudioFault> fault;  // or, for audio, where it begins, its bytes and length
  std::int64_t audioOffset = 0;
  std::int64_t audioSize = 0;
  std::int64_t durationMs = 0;
  // From an encoder's header: its LAME header's delay and padding, and the bit rate it gives.
  std::optional<int> delay = std::nullopt;
  std::optional<int> padding = std::nullopt;
  double bitrateKbps = 128.0;
};

void PrintTo(const TEdgeCase& c, std::ostream* out) { *out << c.name; }

constexpr std::int64_t kFrame = kMpegFrameSize;

const TEdgeCase kEdgeCases[] = {
    {"NothingAfterTheTag", PaddingTag(4096), TAudioFault::NoAudio},
    {"TagLargerThanTheFile", PaddingTag(4096).substr(0, 2000), TAudioFault::NoAudio},
    {"OnlyATrailer", PaddingTag(64) + Trailer(), TAudioFault::NoAudio},
    {"JunkWithALoneSync", std::string(3000, 'x') + MpegAudio(1).substr(0, 300) + std::string(3000, 'y'),
     TAudioFault::NoFrame},
    {"SyncBeyondTheWideWindow", std::string(70000, '\0') + MpegAudio(20), TAudioFault::NoFrame},
    {"FreeFormat", MpegAudio(5, "\xFF\xFB\x04\x64"), TAudioFault::FreeFormat},
    {"OneFrameBeforeATrailer", MpegAudio(1) + Trailer(), std::nullopt, 0, kFrame, 26},
    {"OneFrameToTheEnd", PaddingTag(100) + MpegAudio(1), std::nullopt, 100, kFrame, 26},
    {"JunkThenFrames", PaddingTag(100) + std::string(999, 'j') + MpegAudio(100), std::nullopt, 1099, 100 * kFrame,
     2606},
    {"MuchJunkThenFrames", PaddingTag(100) + std::string(40000, 'j') + MpegAudio(100), std::nullopt, 40100,
     100 * kFrame, 2606},
    // Without a frame count the length is the audio's size at the bit rate, the header's own frame
    // left out.
    {"InfoWithoutAFrameCount",
     PaddingTag(100) + EncoderHeaderFrame("Info", std::nullopt, "LAME3.100", 576, 1105) + MpegAudio(39), std::nullopt,
     100, 40 * kFrame, 1016, 576, 1105},
    // Counted, the length is the samples less the delay and padding that LAME 3.90 and later give.
    {"Lame3_90GivesDelayAndPadding", EncoderHeaderFrame("Xing", 39, "LAME3.90 ", 576, 1105) + MpegAudio(39),
     std::nullopt, 0, 40 * kFrame, 981, 576, 1105, 127.706},
    {"Lame3_100GivesDelayAndPadding", EncoderHeaderFrame("Info", 39, "LAME3.100", 1105, 576) + MpegAudio(39),
     std::nullopt, 0, 40 * kFrame, 981, 1105, 576, 127.706},
    {"Lame4_0GivesDelayAndPadding", EncoderHeaderFrame("Info", 39, "LAME4.0  ", 0, 4095) + MpegAudio(39), std::nullopt,
     0, 40 * kFrame, 926, 0, 4095, 127.706},
    {"Lame3_89GivesNone", EncoderHeaderFrame("Info", 39, "LAME3.89 ", 576, 1105) + MpegAudio(39), std::nullopt, 0,
     40 * kFrame, 1019, std::nullopt, std::nullopt, 127.706},
    {"StackedTags", PaddingTag(300) + PaddingTag(12000) + PaddingTag(9000) + MpegAudio(40), std::nullopt, 21300,
     40 * kFrame, 1042},
    {"ApeAndID3v1AtTheEnd", MpegAudio(40) + ApeTag() + Trailer(), std::nullopt, 0, 40 * kFrame, 1042},
    {"ApeAtTheEnd", MpegAudio(40) + ApeTag(), std::nullopt, 0, 40 * kFrame, 1042},
    {"CutInTheMiddleOfAFrame", MpegAudio(40).substr(0, 39 * kFrame + 100), std::nullopt, 0, 39 * kFrame + 100, 1022},
};

class AudioFactsEdges : public ::testing::TestWithParam<TEdgeCase> {};

TEST_P(AudioFactsEdges, ReadsTheAudioOrSaysWhyThereIsNone) {
  const TEdgeCase& c = GetParam();
  TMemorySource source(c.bytes);
  const TResultOf<TAudioFacts> read = ReadAudioFacts(source, "song.mp3");
  if (c.fault) {
    ASSERT_FALSE(read.Ok()) << "duration " << read.Value().DurationMs;
    EXPECT_TRUE(IsAudioFault(read.Failure()));
    EXPECT_EQ(read.Failure().Error(), MakeAudioFaultCode(*c.fault)) << read.Failure().Error().message();
    EXPECT_EQ(read.Failure().Path(), "song.mp3");
    return;
  }
  ASSERT_TRUE(read.Ok()) << read.Failure().Error().message();
  EXPECT_EQ(read.Value().AudioOffset, c.audioOffset);
  EXPECT_EQ(read.Value().AudioSize, c.audioSize);
  EXPECT_EQ(read.Value().DurationMs, c.durationMs);
  EXPECT_EQ(read.Value().MpegText(), "1 layer III");
  EXPECT_NEAR(read.Value().BitrateKbps, c.bitrateKbps, 0.001);
  EXPECT_EQ(read.Value().EncoderDelay, c.delay);
  EXPECT_EQ(read.Value().EncoderPadding, c.padding);
  EXPECT_EQ(read.Value().ChannelMode, "joint stereo");
  // Told the size of the tag at the start, the reader finds the same audio.
  if (c.bytes.starts_with("ID3")) {
    const auto byte = [&](std::size_t i) { return static_cast<std::int64_t>(static_cast<unsigned char>(c.bytes[i])); };
    const std::int64_t tagSize = 10 + (byte(6) << 21 | byte(7) << 14 | byte(8) << 7 | byte(9));
    const TResultOf<TAudioFacts> told = ReadAudioFacts(source, "song.mp3", tagSize);
    ASSERT_TRUE(told.Ok());
    EXPECT_EQ(told.Value().AudioOffset, c.audioOffset);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, AudioFactsEdges, ::testing::ValuesIn(kEdgeCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The tags the facts name: a trailer is version 1.1 only with a zero byte before a track that is
// not zero, version 1.0 otherwise.
struct TVersionsCase {
  const char* name;
  std::string bytes;
  const char* text;
};

void PrintTo(const TVersionsCase& c, std::ostream* out) { *out << c.name; }

class TagVersions : public ::testing::TestWithParam<TVersionsCase> {};

TEST_P(TagVersions, NameTheTagsTheFileHolds) {
  TMemorySource source(GetParam().bytes);
  EXPECT_EQ(TagVersionsText(source), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TagVersions,
    ::testing::Values(
        TVersionsCase{"None", MpegAudio(3), "none"},
        TVersionsCase{"ID3v2Only", PaddingTag(100) + MpegAudio(3), "ID3v2.3"},
        TVersionsCase{"WithATrack", MpegAudio(3) + testing::Trailer("T", "", "", "", "c", 17, 7), "ID3v1.1"},
        TVersionsCase{"CommentToTheEnd", MpegAudio(3) + testing::Trailer("T", "", "", "", std::string(30, 'c')),
                      "ID3v1"},
        TVersionsCase{"CommentThenTwoZeroBytes",
                      MpegAudio(3) + testing::Trailer("T", "", "", "", std::string(28, 'c') + '\0' + '\0'), "ID3v1"},
        TVersionsCase{"TrackAfterNoZeroByte",
                      MpegAudio(3) + testing::Trailer("T", "", "", "", std::string(29, 'c') + '\x07'), "ID3v1"},
        TVersionsCase{"Both", Tag(4, "", 100) + MpegAudio(3) + testing::Trailer("T", "", "", "", "", 17, 1),
                      "ID3v2.4 + ID3v1.1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AudioFacts, AFileThatCannotBeOpenedIsAFailureToOpenNotAnAudioFault) {
  TTempFolder folder;
  const TResultOf<TAudioFacts> read = ReadAudioFacts(folder / "missing.mp3");
  ASSERT_FALSE(read.Ok());
  EXPECT_EQ(read.Failure().Kind(), TFailureKind::Open);
  EXPECT_FALSE(IsAudioFault(read.Failure()));
}

}  // namespace
}  // namespace tagwright
