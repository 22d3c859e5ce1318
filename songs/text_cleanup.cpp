#include "songs/text_cleanup.h"

#include "text/ascii_text.h"
#include "text/letters.h"

namespace tagwright {

std::string UnderscoresToSpaces(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c == '_') c = ' ';
  }
  return result;
}

std::string InitialCaps(std::string_view text) { return CapitaliseWords(text); }

std::string CleanupText(std::string_view text) { return ReplaceAll(InitialCaps(UnderscoresToSpaces(text)), "  ", " "); }

std::string RemoveArtistFromTitle(std::string_view artist, std::string_view title) {
  if (artist.empty() || title.size() < artist.size() || !EqualsIgnoringCase(title.substr(0, artist.size()), artist)) {
    return std::string(title);
  }
  // Only a whole word: the artist "Sting" leaves the title "Stingray" as it is. A byte beyond
  // ASCII starts a letter of some other alphabet, so it continues the word too.
  if (title.size() > artist.size()) {
    const char next = title[artist.size()];
    if (IsAsciiAlnum(next) || static_cast<unsigned char>(next) >= 0x80) return std::string(title);
  }
  std::string_view rest = TrimView(title.substr(artist.size()));
  if (!rest.empty() && rest.front() == '-') rest.remove_prefix(1);
  return TrimText(rest);
}

std::string CleanupTitle(std::string_view artist, std::string_view title) {
  return CleanupText(RemoveArtistFromTitle(artist, title));
}

}  // namespace tagwright
