// The songs selected and the current one, by file name: what the window selects again once it has
// rebuilt its rows (a reload, a command, an undo, another view or filter), following the songs
// that were renamed meanwhile.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "commands/song_result.h"

namespace tagwright {

struct TRememberedSelection {
  std::vector<std::string> Files;
  std::string Current;
  // The panel keeps what was typed for the songs it still shows; not after a command, whose songs
  // are shown as the command left them.
  bool KeepTyped = true;

  bool Empty() const { return Files.empty() && Current.empty(); }
  // The same songs after the renames given, old name to new.
  void FollowRenames(const std::map<std::string, std::string>& renamed);
};

// The songs a pass renamed, old name to new.
std::map<std::string, std::string> RenamedSongs(const std::vector<TSongResult>& results);

}  // namespace tagwright
