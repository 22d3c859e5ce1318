// More name styles: a name that no pattern fits is tidied and tried once more. Copy marks, video ids,
// "(Official Video)" and the like, web addresses and stray spaces go; a leading track number and a
// year at either end are taken out as details; a long dash between spaces counts as " - ".
#pragma once

#include <string>
#include <string_view>

namespace tagwright {

struct TTidiedName {
  std::string Stem;  // the name, tidied; "_" still stand for spaces as in the name
  std::string Track;
  std::string Year;
  std::string Copy;
  std::string URL;
  bool Changed = false;  // whether tidying found anything to do
};

// Tidies a file name's stem (no folder, no extension), in this order: runs of spaces become one and
// trailing spaces go; a copy mark " (1)" or " - Copy" at the end goes; a bracketed 11-character video
// id at the end goes; "(Official Video)", "(Lyrics)" and their kind go; a web address as a name part
// (" - www.x.y" at the end, "(www.x.y)") goes; an en or em dash between spaces becomes "-"; a track
// "05. ", "(05) ", "[05] " or "05 " (with a leading zero) before a name holding " - " is taken; a
// year "[2019] " or "(2019) " at the start or " (2019)" / " [2019]" at the end is taken.
TTidiedName TidyName(std::string_view stem);

}  // namespace tagwright
