#include "songs/recognition.h"

#include <array>
#include <optional>
#include <string>

#include "files/paths.h"
#include "songs/name_styles.h"
#include "songs/song_pattern_table.h"
#include "tags/id3_info.h"
#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

namespace {

constexpr std::array<char, 256> MakeClassTable() {
  std::array<char, 256> table{};
  for (char& code : table) code = kOtherClass;
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = kWordClass;
  for (int c = 'a'; c <= 'z'; ++c) table[c] = kWordClass;
  for (unsigned char c : std::string_view("!#&',.\"`")) table[c] = kWordClass;
  table[' '] = kSpaceClass;
  table['_'] = kSpaceClass;
  for (unsigned char c : std::string_view("([{")) table[c] = kOpenClass;
  for (unsigned char c : std::string_view(")]}")) table[c] = kCloseClass;
  for (int c = '0'; c <= '9'; ++c) table[c] = kDigitClass;
  table['-'] = kDashClass;
  table['/'] = kSlashClass;
  table['\\'] = kSlashClass;
  return table;
}

constexpr std::array<char, 256> kClassTable = MakeClassTable();

// Cuts a trailing "(n)" copy number off the tokens and returns it, or an empty text.
std::string TakeCopySuffix(TTokenList& tokens) {
  const std::size_t count = tokens.Count();
  if (count <= 3) return {};
  if (std::string_view(tokens.Classes).substr(count - 3) != "(#)") return {};
  std::string copy(tokens.Text(count - 2));
  tokens.Erase(count - 3, 3);
  return copy;
}

void TakeDetailsFromTags(const TID3Info& info, TSongDetails& song) {
  song.SetTitle(info.Title);
  song.SetArtist(info.Artist);
  song.SetComment(info.Comment);
  song.SetAlbum(info.Album);
  song.SetYear(info.Year);
  song.SetGenre(info.Genre);
  song.SetTrack(std::to_string(info.Track));
  song.SetRecognition(TRecognition::ID3Tag);
}

// The tidied name cut into tokens, as the name itself is; empty when tidying changes nothing.
bool TokenizeTidiedName(const TTidiedName& tidied, TTokenList& tokens, TLetters letters) {
  if (!tidied.Changed) return false;
  std::string stem = tidied.Stem;
  for (char& c : stem) {
    if (c == '_') c = ' ';
  }
  TokenizeName(stem, tokens, letters);
  MergeWordTokens(tokens);
  (void)TakeCopySuffix(tokens);  // tidying took the copy mark already; one left is no detail
  return true;
}

// Matches the tidied name into song, with the details tidying took out of it. False, with song
// untouched, when the table does not fit the tidied name either.
bool MatchTidiedName(std::string_view stem, TTokenList& tokens, TSongDetails& song, TLetters letters) {
  const TTidiedName tidied = TidyName(stem);
  TTokenList tidiedTokens;
  if (!TokenizeTidiedName(tidied, tidiedTokens, letters)) return false;
  TSongDetails matched = song;
  if (!tidied.Track.empty()) matched.SetTrack(tidied.Track);
  if (!tidied.Year.empty()) matched.SetYear(tidied.Year);
  if (!tidied.Copy.empty()) matched.SetCopy(tidied.Copy);
  if (!tidied.URL.empty()) matched.SetURL(tidied.URL);
  if (!MatchSongPattern(tidiedTokens.Classes, tidiedTokens, matched)) return false;
  matched.SetTidiedName(true);
  song = matched;
  tokens = std::move(tidiedTokens);
  return true;
}

// The tag wins; the name only fills a missing title (with its mix), artist and track.
void FillGapsFromName(std::string_view stem, const TTokenList& tokens, TSongDetails& song,
                      const TRecognitionOptions& options) {
  TSongDetails fromName;
  if (!MatchSongPattern(tokens.Classes, tokens, fromName)) {
    TTokenList tidiedTokens;
    if (!options.MoreNameStyles || !MatchTidiedName(stem, tidiedTokens, fromName, options.Letters)) return;
  }
  if (!fromName.FullTitle().empty() && song.FullTitle().empty()) {
    song.SetTitle(fromName.Title());
    song.SetMix(fromName.Mix());
    song.SetUnsavedID3(true);
  }
  if (!fromName.Artist().empty() && song.Artist().empty()) {
    song.SetArtist(fromName.Artist());
    song.SetUnsavedID3(true);
  }
  if (!fromName.PaddedTrack().empty() && song.PaddedTrack().empty()) {
    song.SetTrack(fromName.PaddedTrack());
    song.SetUnsavedID3(true);
  }
}

}  // namespace

char CharacterClass(char c) { return kClassTable[static_cast<unsigned char>(c)]; }

void TTokenList::Clear() {
  Source.clear();
  Classes.clear();
  spans_.clear();
}

std::string_view TTokenList::Text(std::size_t index) const { return TextRange(index, index); }

std::string_view TTokenList::TextRange(std::size_t first, std::size_t last) const {
  const std::uint32_t begin = spans_[first].begin;
  return std::string_view(Source).substr(begin, spans_[last].end - begin);
}

void TTokenList::Append(char code, std::size_t length) {
  const std::uint32_t begin = spans_.empty() ? 0 : spans_.back().end;
  Classes.push_back(code);
  spans_.push_back({begin, static_cast<std::uint32_t>(begin + length)});
}

void TTokenList::JoinWords(std::size_t first, std::size_t count) {
  if (count < 2) return;
  spans_[first].end = spans_[first + count - 1].end;
  Classes[first] = kWordClass;
  Erase(first + 1, count - 1);
}

void TTokenList::Erase(std::size_t first, std::size_t count) {
  Classes.erase(first, count);
  spans_.erase(spans_.begin() + static_cast<std::ptrdiff_t>(first),
               spans_.begin() + static_cast<std::ptrdiff_t>(first + count));
}

void TokenizeName(std::string_view text, TTokenList& tokens, TLetters letters) {
  tokens.Clear();
  tokens.Source.assign(text);
  // The class of the character at a position and its length: a letter beyond ASCII (with accented
  // letters on) is one word character of several bytes, anything else one byte of its class.
  const auto classAt = [text, letters](std::size_t at, std::size_t& length) {
    length = AccentedLetterLength(text, at, letters);
    if (length > 0) return kWordClass;
    length = 1;
    return CharacterClass(text[at]);
  };
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t length = 0;
    const char code = classAt(start, length);
    std::size_t end = start + length;
    while (end < text.size() && classAt(end, length) == code) end += length;
    tokens.Append(code, end - start);
    start = end;
  }
}

void MergeWordTokens(TTokenList& tokens) {
  static constexpr std::string_view kRules[] = {"s s ", "s s", "ss"};
  for (std::string_view rule : kRules) {
    while (true) {
      const std::size_t at = tokens.Classes.find(rule);
      if (at == std::string::npos) break;
      tokens.JoinWords(at, rule.size());
    }
  }
}

bool MatchSongPattern(std::string_view classString, const TTokenList& tokens, TSongDetails& song) {
  for (const TSongPattern& row : SongPatternTable()) {
    if (row.Pattern != classString) continue;
    song.SetUnsavedID3(true);
    // "Track05": the digits are the track, and there is no title.
    if (classString == "s#" && EqualsIgnoringAsciiCase(tokens.Text(0), "TRACK")) {
      song.SetTrack(tokens.Text(1));
      return true;
    }
    for (const TPatternAssignment& assignment : row.Assignments()) {
      song.SetField(assignment.Field, tokens.TextRange(assignment.First, assignment.Last));
    }
    return true;
  }
  return false;
}

TResult RecognizeSong(const std::string& fileName, TTokenList& tokens, bool useTags, TSongDetails& song,
                      const TRecognitionOptions& options) {
  if (!useTags) {
    RecognizeSongWithTags(fileName, tokens, nullptr, song, options);
    return {};
  }
  TID3Info info;
  TResultOf<bool> read = ReadID3Tags(fileName, info);
  if (!read) {
    // As far as it goes without tags, so that the record is what it would be for a song without.
    tokens.Clear();
    song.SetRecognition(TRecognition::Failed);
    return read.Failure();
  }
  RecognizeSongWithTags(fileName, tokens, read.Value() ? &info : nullptr, song, options);
  return {};
}

void RecognizeSongWithTags(const std::string& fileName, TTokenList& tokens, const TID3Info* tags, TSongDetails& song,
                           const TRecognitionOptions& options) {
  tokens.Clear();
  song.SetRecognition(TRecognition::Failed);
  // A tidied name replaces what the name itself gave, the copy number included.
  std::optional<TSongDetails> beforeName;
  if (options.MoreNameStyles && tags == nullptr) beforeName = song;

  std::string stem(FileNameStem(fileName));
  for (char& c : stem) {
    if (c == '_') c = ' ';
  }
  TokenizeName(stem, tokens, options.Letters);
  MergeWordTokens(tokens);
  const std::string copy = TakeCopySuffix(tokens);
  if (!copy.empty()) song.SetCopy(copy);

  if (tags != nullptr) {
    TakeDetailsFromTags(*tags, song);
    FillGapsFromName(FileNameStem(fileName), tokens, song, options);
    return;
  }

  if (MatchSongPattern(tokens.Classes, tokens, song)) {
    song.SetRecognition(TRecognition::Pattern);
    return;
  }

  if (beforeName && MatchTidiedName(FileNameStem(fileName), tokens, *beforeName, options.Letters)) {
    song = *beforeName;
    song.SetRecognition(TRecognition::Pattern);
    return;
  }

  // Loose attempt: digit runs after the first token count as words.
  for (std::size_t i = 1; i < tokens.Count(); ++i) {
    if (tokens.Classes[i] == kDigitClass) tokens.Classes[i] = kWordClass;
  }
  MergeWordTokens(tokens);
  if (MatchSongPattern(tokens.Classes, tokens, song)) song.SetRecognition(TRecognition::LoosePattern);
}

void RecognizeFileName(const std::string& fileName, TTokenList& tokens, TSongDetails& song,
                       const TRecognitionOptions& options) {
  RecognizeSongWithTags(fileName, tokens, nullptr, song, options);
}

}  // namespace tagwright
