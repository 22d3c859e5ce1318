// Telling MP3 files by their content: what real songs begin with, and what pictures, documents and
// texts named like songs are said to be.
#include <gtest/gtest.h>

#include <string>

#include "support/test_songs.h"
#include "tag_bytes.h"
#include "tags/byte_source.h"
#include "tags/mp3_content.h"

namespace tagwright {
namespace {

using namespace testing;

struct TContentCase {
  const char* Name;
  std::string Bytes;
  const char* Said;  // ContentDescription of what the bytes are
};

void PrintTo(const TContentCase& c, std::ostream* out) { *out << c.Name; }

const std::string kTrailer = "TAG" + std::string(125, ' ');

const TContentCase kContentCases[] = {
    {"Id3v2Tag", "ID3" + Bytes({3, 0, 0}) + Syncsafe(20) + std::string(20, '\0'), "MP3 audio"},
    {"FramesRightAway", MpegAudio(3), "MP3 audio"},
    {"OneFrameHeaderAtTheStart", SongAudio(304), "MP3 audio"},
    {"FramesAfterZeros", std::string(3000, '\0') + MpegAudio(3), "MP3 audio"},
    {"Id3v1OnlyWithAudio", std::string(100, 'j') + MpegAudio(2) + kTrailer, "MP3 audio"},
    {"LoneFrameBeforeTheTrailer", "xyz" + MpegAudio(1) + kTrailer, "MP3 audio"},
    {"TextWithATrailer", std::string(300, 'a') + kTrailer, "text"},
    {"FramesTooFarIn", std::string(70000, '\0') + MpegAudio(3), "unknown"},
    {"JpegPicture", Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10}) + "JFIF" + std::string(500, '\x01'), "a JPEG picture"},
    {"PngPicture", "\x89PNG\r\n\x1A\n" + std::string(300, 'p'), "a PNG picture"},
    {"PdfDocument", "%PDF-1.7\n%\xE2\xE3\xCF\xD3\n1 0 obj\n" + std::string(200, '\x02'), "a PDF document"},
    {"Utf8Text",
     "Liste des chansons \xC3\xA0 \xC3\xA9\xC3\xA9"
     "couter\n\tnum\xC3\xA9ro 1\r\n",
     "text"},
    {"Script", "#!/bin/sh\necho hi\n", "text"},
    {"Empty", "", "empty"},
    {"Id3WithoutAVersion", "ID3 is how tags begin\x01", "unknown"},
    {"Binary", Bytes({0, 1, 2, 3, 4, 5, 0xFE, 0x7F}), "unknown"},
};

class Mp3Content : public ::testing::TestWithParam<TContentCase> {};

TEST_P(Mp3Content, TellsWhatTheBytesAre) {
  TMemorySource source(GetParam().Bytes);
  const TResultOf<TContentKind> kind = SniffContent(source, "song.mp3");
  ASSERT_TRUE(kind.Ok());
  EXPECT_STREQ(ContentDescription(kind.Value()), GetParam().Said);
}

INSTANTIATE_TEST_SUITE_P(Files, Mp3Content, ::testing::ValuesIn(kContentCases),
                         [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace tagwright
