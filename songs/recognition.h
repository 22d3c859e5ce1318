// Recognising a song's details from its file name and, when wanted, from its tags. The name is cut
// into tokens by character class, neighbouring words are joined, and the string of class codes is
// looked up in the table of known file name patterns.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "files/result.h"
#include "songs/song_details.h"
#include "tags/id3_info.h"
#include "text/letters.h"

namespace tagwright {

// Class codes of the characters of a file name.
inline constexpr char kWordClass = 's';
inline constexpr char kSpaceClass = ' ';
inline constexpr char kOpenClass = '(';
inline constexpr char kCloseClass = ')';
inline constexpr char kDigitClass = '#';
inline constexpr char kDashClass = '-';
inline constexpr char kSlashClass = '/';
inline constexpr char kOtherClass = '?';

char CharacterClass(char c);

// The tokens of a name: token i has the class code Classes[i] and the text Text(i). Every token is a
// run of consecutive characters of Source, so joining neighbours never copies text.
class TTokenList {
 public:
  void Clear();
  std::size_t Count() const { return Classes.size(); }
  std::string_view Text(std::size_t index) const;
  // The texts of tokens first to last (inclusive), spaces included.
  std::string_view TextRange(std::size_t first, std::size_t last) const;
  // Appends the next run of Source as a token.
  void Append(char code, std::size_t length);
  // Joins tokens first .. first + count - 1 into token first, which becomes a word.
  void JoinWords(std::size_t first, std::size_t count);
  // Removes tokens first .. first + count - 1.
  void Erase(std::size_t first, std::size_t count);

  std::string Source;   // the text the tokens were cut from
  std::string Classes;  // one class code per token: the class string
 private:
  struct Span {
    std::uint32_t begin;
    std::uint32_t end;
  };
  std::vector<Span> spans_;
};

// Splits text into maximal runs of one character class; with accented letters, a letter beyond ASCII
// is a word character.
void TokenizeName(std::string_view text, TTokenList& tokens, TLetters letters = TLetters::Ascii);
// Joins words separated by single spaces, then neighbouring words, until no rule applies.
void MergeWordTokens(TTokenList& tokens);
// Looks the class string up in the pattern table and stores the matching row's tokens in song.
bool MatchSongPattern(std::string_view classString, const TTokenList& tokens, TSongDetails& song);

// How names are read beyond the pattern table.
struct TRecognitionOptions {
  // A name the table does not fit is tidied (songs/name_styles.h) and tried again; when the table
  // fits the tidied name, that is the song's recognition, marked TidiedName.
  bool MoreNameStyles = false;
  // Whether letters beyond ASCII are letters of words ("Accented Letters in Names").
  TLetters Letters = TLetters::Ascii;
};

// Recognises the song at fileName (a full path) into song. Only RecogType is reset first: fields the
// outcome does not name keep their values. With useTags, the file's tags win and the name only fills
// a missing title, artist and track. Fails when the file cannot be
// opened or read for its tags.
TResult RecognizeSong(const std::string& fileName, TTokenList& tokens, bool useTags, TSongDetails& song,
                      const TRecognitionOptions& options = {});

// The same with the file's tags already read: tags is null for a file that holds none (or when
// they are not wanted).
void RecognizeSongWithTags(const std::string& fileName, TTokenList& tokens, const TID3Info* tags, TSongDetails& song,
                           const TRecognitionOptions& options = {});

// The same from the file name alone: the file is not opened.
void RecognizeFileName(const std::string& fileName, TTokenList& tokens, TSongDetails& song,
                       const TRecognitionOptions& options = {});

}  // namespace tagwright
