// Letters beyond ASCII in names, on request. By default a byte beyond ASCII is no letter and only the
// ASCII letters change case, as everywhere in the core. With accented letters on, a UTF-8 code point
// that Unicode calls a letter or a combining mark counts as a letter of a word, and case changes and
// case-insensitive comparisons take in every letter that has a simple one-to-one case mapping of the
// same length in bytes. Each caller says which it wants (the window's Accented Letters in Names, the
// command line's --accented-letters).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tagwright {

// Which letters names are read, cleaned and compared with.
enum class TLetters : bool {
  Ascii,     // the letters a to z only; a byte beyond ASCII is no letter
  Accented,  // every letter Unicode knows, as above
};

inline TLetters LettersOf(bool accentedLetters) { return accentedLetters ? TLetters::Accented : TLetters::Ascii; }

// The length in bytes of the letter or combining mark beyond ASCII that starts at text[at]; 0 for
// anything else (an ASCII byte, an invalid sequence, another kind of character), and always 0 with
// ASCII letters.
std::size_t AccentedLetterLength(std::string_view text, std::size_t at, TLetters letters = TLetters::Ascii);

// Lower-cases the text; its first letter, and every letter after a space, "-", "(" or ")", is
// upper-cased; with bracketsStartWords, also every letter after "[" or "{".
std::string CapitaliseWords(std::string_view text, bool bracketsStartWords = false, TLetters letters = TLetters::Ascii);

bool EqualsIgnoringCase(std::string_view a, std::string_view b, TLetters letters = TLetters::Ascii);
// The text as a key for sorting without regard to case or accents: case-folded, decomposed, and
// without combining marks ("Émile" and "emile" give the same key), whichever letters names are read
// with. Bytes that are no valid UTF-8 are kept as they are, with ASCII letters lower-cased.
std::string SortingKey(std::string_view text);
// Whether the bytes are well-formed UTF-8.
bool IsValidUtf8(std::string_view text);
// Position of the first occurrence of needle in text ignoring case (the match is as long as needle),
// or npos.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, TLetters letters = TLetters::Ascii);

}  // namespace tagwright
