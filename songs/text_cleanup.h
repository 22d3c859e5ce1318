// Small text transformations that tidy details taken from file names. Case changes touch only the
// ASCII letters, and also the letters beyond ASCII with accented letters (text/letters.h).
#pragma once

#include <string>
#include <string_view>

#include "songs/known_spellings.h"
#include "songs/tidy_options.h"
#include "text/letters.h"

namespace tagwright {

// Every "_" becomes a space; nothing else changes.
std::string UnderscoresToSpaces(std::string_view text);
// Lower-cases the text, then capitalises the first character and every character that follows a
// space, "-", "(" or ")".
std::string InitialCaps(std::string_view text, TLetters letters = TLetters::Ascii);
// Initial capitals that keep known spellings: a word matching a spelling of the list takes the
// list's spelling, a word that mixes capitals and small letters after its first letter (McCartney,
// O'Connor, iPhone) keeps its letters, and "[" and "{" start a word as "(" does. Without a list
// (null) this is InitialCaps.
std::string InitialCaps(std::string_view text, const TKnownSpellings* spellings, TLetters letters = TLetters::Ascii);
// Underscores to spaces, initial capitals, then one pass turning two spaces into one.
std::string CleanupText(std::string_view text, const TKnownSpellings* spellings = nullptr,
                        TLetters letters = TLetters::Ascii);
// Keeps English title case: a small word (a, an, and, as, at, but, by, for, from, in, into, nor, of,
// on, onto, or, the, to, via, vs, with) written with an initial capital is written in lower case,
// except as the first or last word of the text or of a part of it in brackets or between " - ".
// Words written otherwise ("TO", a known spelling) stay as they are.
std::string LowerSmallWords(std::string_view text);
// CleanupText with the options' known spellings and letters, then, with SmallWordsInLowerCase,
// LowerSmallWords.
std::string CleanupText(std::string_view text, const TTidyOptions& options);
// Removes the artist's name (ignoring case) from the start of the title, with one dash after it,
// when it is a whole word there: the character after it is no letter or digit, or the title ends.
std::string RemoveArtistFromTitle(std::string_view artist, std::string_view title, TLetters letters = TLetters::Ascii);
// RemoveArtistFromTitle, then CleanupText.
std::string CleanupTitle(std::string_view artist, std::string_view title, const TKnownSpellings* spellings = nullptr,
                         TLetters letters = TLetters::Ascii);
std::string CleanupTitle(std::string_view artist, std::string_view title, const TTidyOptions& options);

}  // namespace tagwright
