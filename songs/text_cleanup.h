// Small text transformations that tidy details taken from file names. Case changes touch only the
// ASCII letters, and also the letters beyond ASCII when accented letters are on (text/letters.h).
#pragma once

#include <string>
#include <string_view>

namespace tagwright {

// Every "_" becomes a space; nothing else changes.
std::string UnderscoresToSpaces(std::string_view text);
// Lower-cases the text, then capitalises the first character and every character that follows a
// space, "-", "(" or ")".
std::string InitialCaps(std::string_view text);
// Underscores to spaces, initial capitals, then one pass turning two spaces into one.
std::string CleanupText(std::string_view text);
// Removes the artist's name (ignoring case) from the start of the title, with one dash after it,
// when it is a whole word there: the character after it is no letter or digit, or the title ends.
std::string RemoveArtistFromTitle(std::string_view artist, std::string_view title);
// RemoveArtistFromTitle, then CleanupText.
std::string CleanupTitle(std::string_view artist, std::string_view title);

}  // namespace tagwright
