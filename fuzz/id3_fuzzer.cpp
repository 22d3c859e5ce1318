// libFuzzer target for the tag reader and writer on arbitrary bytes.
//
// Every input is read from memory by TID3v2::Load and ReadID3Tags. Inputs that begin with an
// ID3v2 header are also written to a file and saved over: the bytes after the old tag must come
// through unchanged, the saved fields must read back, and a second save must fit in place; saved
// through the tag record (both tags), one field changed leaves the others as read, and a second
// save the file as it is; a front cover set reads back as the one front cover, and every picture
// removed leaves none, the bytes after the tag coming through both. Every input is also read for its audio facts, which
// must be sound when found (a known sample rate, audio within the input) and otherwise say why there are none.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <unistd.h>

#include "tags/audio_facts.h"
#include "tags/byte_source.h"
#include "tags/id3_info.h"
#include "tags/id3v2.h"
#include "tags/id3v2_pictures.h"
#include "tags/tag_versions.h"

namespace {

using namespace tagwright;

void Check(bool condition, const char* what) {
  if (!condition) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
  }
}

std::string ScratchFile() {
  static const std::string path = [] {
    const char* base = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    return std::string(base) + "/tagwright-fuzz-" + std::to_string(::getpid()) + ".mp3";
  }();
  return path;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void SaveRoundTrip(std::string_view bytes) {
  const std::string path = ScratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  TID3v2 tag;
  Check(tag.Load(path).Ok(), "load of the scratch file");
  const std::int64_t oldTagEnd = tag.HasTag && tag.TagSize > 0 ? tag.TagSize : 0;
  tag.SetTitle("Fuzzed \xC3\xA9 title");
  const TID3v2 expected = tag;
  Check(tag.Save(path).Ok(), "save");
  const std::string file = ReadFile(path);

  TID3v2 back;
  Check(back.Load(path).Ok() && back.HasTag && back.MajorVersion == 3, "saved tag loads as version 2.3");
  Check(back.TagSize > 0 && static_cast<std::size_t>(back.TagSize) <= file.size(), "saved tag size");
  Check(file.compare(static_cast<std::size_t>(back.TagSize), std::string::npos,
                     bytes.substr(static_cast<std::size_t>(oldTagEnd))) == 0,
        "bytes after the tag unchanged");
  Check(back.Title == expected.Title, "title");
  Check(back.Artist == expected.Artist, "artist");
  Check(back.Album == expected.Album, "album");
  Check(back.Year == expected.Year, "year");
  Check(back.Comment == expected.Comment, "comment");
  Check(back.Track == expected.Track, "track");
  Check(back.Composer == expected.Composer && back.Encoder == expected.Encoder &&
            back.Copyright == expected.Copyright && back.Language == expected.Language,
        "other texts");
  Check(back.Link == expected.Link, "link");

  Check(back.Save(path).Ok(), "second save");
  // A genre text that is only a table number ("7") reads back as that genre's name, and one left
  // with blanks after a reference ("(17) Rock") reads back trimmed, so only a genre that read back
  // unchanged promises an unchanged second save.
  if (back.Genre == expected.Genre) {
    Check(!back.TagInfo.NeedRewrite, "second save in place");
    Check(ReadFile(path) == file, "second save changes nothing");
  }
  ::unlink(path.c_str());
}

// Saving one field through the tag record, as every command does: no other field changes as read
// back, and a second save of the same values leaves the file byte for byte as it is.
void RecordRoundTrip(std::string_view bytes) {
  const std::string path = ScratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  TID3Info before;
  Check(ReadID3Tags(path, before).Ok(), "record reads");
  TID3Info changed = before;
  changed.Title = "Fuzzed record title";
  Check(WriteID3Tags(path, changed).Ok(), "record save");
  TID3Info back;
  Check(ReadID3Tags(path, back).Ok(), "saved record reads");
  Check(back.Title == changed.Title, "record title");
  Check(back.Artist == before.Artist && back.Album == before.Album && back.Year == before.Year,
        "record artist, album and year kept");
  Check(back.Comment == before.Comment, "record comment kept");
  Check(back.Track == before.Track && back.Genre == before.Genre, "record track and genre kept");
  const std::string first = ReadFile(path);
  Check(WriteID3Tags(path, changed).Ok(), "second record save");
  Check(ReadFile(path) == first, "second record save changes nothing");
  ::unlink(path.c_str());
}

// Sets a front cover through the tag, then removes every picture.
void PictureRoundTrip(std::string_view bytes) {
  const std::string path = ScratchFile();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  auto cover = std::make_shared<TPicture>(TPicture{kFrontCoverPicture, "image/png", "", "\x89PNG\r\n\x1A\nfuzz"});
  for (const TPictureAction action : {TPictureAction::SetFrontCover, TPictureAction::RemoveAll}) {
    const std::string old = ReadFile(path);
    TID3v2 tag;
    Check(tag.Load(path).Ok(), "load before a picture change");
    const std::int64_t oldTagEnd = tag.HasTag && tag.TagSize > 0 ? tag.TagSize : 0;
    tag.PictureChange = {action, cover};
    Check(tag.Save(path).Ok(), "save with a picture change");
    const std::string file = ReadFile(path);
    TID3v2 back;
    Check(back.Load(path).Ok() && back.TagSize > 0, "tag with a picture change loads");
    Check(file.compare(static_cast<std::size_t>(back.TagSize), std::string::npos,
                       std::string_view(old).substr(static_cast<std::size_t>(oldTagEnd))) == 0,
          "bytes after the tag unchanged by a picture change");
    const TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(path);
    Check(pictures.Ok(), "pictures read back");
    int fronts = 0;
    for (const TPicture& picture : pictures.Value()) fronts += picture.Type == kFrontCoverPicture ? 1 : 0;
    if (action == TPictureAction::RemoveAll) {
      Check(pictures.Value().empty(), "no picture after every picture is removed");
    } else {
      const TPicture* front = ChooseCover(pictures.Value());
      Check(fronts == 1 && front && front->Data == cover->Data, "the cover set is the one front cover");
    }
  }
  ::unlink(path.c_str());
}

}  // namespace

void CheckAudioFacts(std::string_view bytes, std::int64_t tagSize) {
  TMemorySource source(bytes);
  const TResultOf<TAudioFacts> read = ReadAudioFacts(source, "fuzz input", tagSize);
  if (!read) {
    Check(IsAudioFault(read.Failure()), "memory reads never fail: no facts is an audio fault");
    return;
  }
  const TAudioFacts& facts = read.Value();
  const int base = facts.MpegVersion == 1 ? 1 : facts.MpegVersion == 2 ? 2 : 4;
  Check(facts.MpegVersion == 1 || facts.MpegVersion == 2 || facts.MpegVersion == 25, "MPEG version");
  Check(facts.Layer >= 1 && facts.Layer <= 3, "layer");
  Check(facts.SampleRate * base == 44100 || facts.SampleRate * base == 48000 || facts.SampleRate * base == 32000,
        "sample rate");
  Check(facts.Channels == 1 || facts.Channels == 2, "channels");
  Check(facts.BitrateMode == "cbr" || facts.BitrateMode == "vbr" || facts.BitrateMode == "abr", "bit rate mode");
  Check(facts.AudioOffset >= 0 && facts.AudioSize > 0 &&
            facts.AudioOffset + facts.AudioSize <= static_cast<std::int64_t>(bytes.size()),
        "audio within the input");
  Check(facts.DurationMs >= 0 && facts.BitrateKbps >= 0 && facts.BitrateKbps < 1e7, "length and bit rate");
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  {
    TMemorySource source(bytes);
    TID3v2 tag;
    (void)tag.Load(source);  // any outcome will do; the fuzzer looks for crashes and leaks
  }
  {
    TMemorySource source(bytes);
    TID3Info info;
    (void)ReadID3Tags(source, "fuzz input", info);  // likewise
  }
  {
    // The pictures the details panel shows: every one found lies within the input.
    TMemorySource source(bytes);
    const TResultOf<std::vector<TPicture>> pictures = ReadEmbeddedPictures(source);
    Check(pictures.Ok(), "memory reads never fail");
    for (const TPicture& picture : pictures.Value())
      Check(picture.Data.size() <= size, "a picture is within the input");
    (void)TagVersionsText(source);
  }
  CheckAudioFacts(bytes, -1);
  // As the listing calls it, told a tag size (here one the input picks, even one past its end).
  if (size > 0) CheckAudioFacts(bytes, static_cast<std::int64_t>(data[size - 1]) * 97);
  if (size >= 10 && bytes.substr(0, 3) == "ID3") {
    SaveRoundTrip(bytes);
    RecordRoundTrip(bytes);
    PictureRoundTrip(bytes);
  }
  return 0;
}
