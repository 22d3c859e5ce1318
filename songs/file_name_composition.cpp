#include "songs/file_name_composition.h"

#include "files/paths.h"
#include "songs/recognition.h"
#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

namespace {

std::string CollapseSpaces(const std::string& text) {
  std::string result;
  result.reserve(text.size());
  for (char c : text) {
    if (c == ' ' && !result.empty() && result.back() == ' ') continue;
    result.push_back(c);
  }
  return result;
}

}  // namespace

std::string MakeFileNameSafe(std::string_view text) {
  // One pass for the characters that are replaced one by one, then the rest.
  std::string mapped;
  mapped.reserve(text.size());
  for (const char c : text) {
    const auto code = static_cast<unsigned char>(c);
    // Control codes have no place in a name (a tab or a line break in one breaks scripts and lists).
    if (code < 0x20 || code == 0x7F) continue;
    switch (c) {
      case '/':
      case '\\': mapped += ','; break;
      case ':':
      case '*':
      case '?': break;
      case '"': mapped += '\''; break;
      case '<': mapped += '('; break;
      case '>': mapped += ')'; break;
      default: mapped += c; break;
    }
  }
  return CollapseSpaces(ReplaceAll(mapped, " ,", ","));
}

std::string ComposeFileName(const TSongDetails& song, std::string_view path) {
  std::string result(FolderPart(path));
  const std::string track = song.PaddedTrack();
  if (!track.empty()) {
    result += track;
    result += " - ";
  }
  if (!song.Artist().empty()) {
    result += MakeFileNameSafe(song.Artist());
    result += " - ";
  }
  result += MakeFileNameSafe(song.FullTitle());
  result += ".mp3";
  return result;
}

bool IsFileRenamed(const TSongFile& song) { return IsFileRenamed(song, ComposeFileName(song, song.FileName())); }

bool IsFileRenamed(const TSongFile& song, std::string_view composedPath) {
  const std::string_view actual = CutShortExtension(FileNamePart(song.FileName()));
  return actual.starts_with(CutShortExtension(FileNamePart(composedPath)));
}

std::string AlnumWords(std::string_view text, TLetters letters) {
  std::string words;
  words.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    // With accented letters, a letter beyond ASCII is kept whole.
    if (const std::size_t letter = AccentedLetterLength(text, at, letters); letter > 0) {
      words.append(text.substr(at, letter));
      at += letter - 1;
      continue;
    }
    const char kept = IsAsciiAlnum(text[at]) ? text[at] : ' ';
    if (kept == ' ' && !words.empty() && words.back() == ' ') continue;
    words.push_back(kept);
  }
  return TrimText(words);
}

bool FileNameHoldsOnlyDetails(const TSongDetails& song, std::string_view name, TLetters letters) {
  return !name.empty() && TextHoldsOnlyDetails(song, FileNameStem(name), letters);
}

bool TextHoldsOnlyDetails(const TSongDetails& song, std::string_view text, TLetters letters) {
  if (song.AsText().empty()) return false;
  std::string rest = AlnumWords(text, letters);
  const std::string values[] = {
      song.Artist(), song.Title(), song.Mix(), song.PaddedTrack(), song.Album(),   song.Featuring(), song.Genre(),
      song.URL(),    song.Copy(),  song.CD(),  song.Mix2(),        song.Comment(), song.Year(),
  };
  for (const std::string& value : values) {
    const std::string words = AlnumWords(value, letters);
    if (words.empty()) continue;
    const std::size_t at = FindIgnoringCase(rest, words, letters);
    if (at != std::string::npos) rest.erase(at, words.size());
  }
  for (std::size_t at = 0; at < rest.size(); ++at) {
    if (IsAsciiAlnum(rest[at]) || AccentedLetterLength(rest, at, letters) > 0) return false;
  }
  return true;
}

}  // namespace tagwright
