// The plans of the commands that go by a name pattern the user gives (tags from file names, rename
// with a pattern) and of numbering tracks. Like every plan they touch no file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "commands/song_change.h"
#include "songs/name_pattern.h"
#include "songs/song_file.h"
#include "songs/tidy_options.h"
#include "tags/id3_info.h"

namespace tagwright {

// Tags from File Names: the values the pattern reads from the song's name (and folders) replace
// the tag's; every other field keeps what the tag holds. Title, artist and album are cleaned as
// the options say only when Cleanup is set. A name that does not fit is skipped with
// "the name does not fit PATTERN", one whose fields would not be UTF-8 with "the name is not valid
// UTF-8"; one whose track is over 255 is refused. {featuring} and {cd} only help to read the
// name: the tag has no field for them.
struct TTagsFromNameOptions {
  bool Cleanup = false;
  TTidyOptions Tidy;
};
TSongChange PlanTagsFromName(const TSongFile& song, TID3Info tags, const TNamePattern& pattern,
                             const TTagsFromNameOptions& options);

// Rename with Pattern: the name the pattern composes from the song's details, in the song's folder;
// a name another file has is refused, never replaced. A song the pattern gives no name is skipped
// with the reason. A pattern with folder levels moves the song into folders below its own, made
// as needed.
TSongChange PlanRenameWithPattern(const TSongFile& song, const TNamePattern& pattern);

// The number a song gets, and the total of its folder (0 when the total is not written).
struct TTrackNumber {
  int Number = 0;
  int Total = 0;
};
using TTrackNumbers = std::map<std::string, TTrackNumber>;

// Numbers the songs in the order given, from start, starting again in each folder; with totals
// each song's total is the last number of its folder.
TTrackNumbers NumberSongs(const std::vector<std::string>& fileNamesInOrder, int start, bool withTotal);

// The file names in the order given, less those of files whose content is not MP3: every command
// leaves such a file alone, so it takes no number and does not count in its folder's total. A file
// that cannot be read stays (the pass says why it fails). Unlike the plans, this reads the files.
std::vector<std::string> WithoutOtherContent(std::vector<std::string> fileNames);

// The songs' file names in the order of the track numbers their details hold; songs without one
// follow, and songs of the same number go by file name.
std::vector<std::string> FileNamesInTrackOrder(const std::vector<const TSongFile*>& songs);

// Number Tracks: the song's number (and total) from numbers into the tag; every other field keeps
// what the tag holds. A song without a number is skipped; one over 255, which the tag cannot hold,
// is refused.
TSongChange PlanNumberTrack(const TSongFile& song, TID3Info tags, const TTrackNumbers& numbers);

}  // namespace tagwright
