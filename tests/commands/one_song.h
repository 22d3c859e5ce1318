// A planned change carried out on one song, as a command over that one song carries it out.
#pragma once

#include <string>

#include "commands/song_pass.h"

namespace tagwright {

inline TSongResult ApplyToOneSong(const std::string& fileName, const TSongChange& change,
                                  TChangeJournal* journal = nullptr, TPassMode mode = TPassMode::Apply,
                                  TWrites writes = TWrites::TagsAndNames) {
  TSongFile song;
  (void)song.SetFileName(fileName, false);  // the song is bound without its tags: nothing can fail
  song.SetWritableWhenListed(true);
  TSongPlanner planner{TTagsNeeded::No, [&change](const TSongFile&, const TID3Info&) { return change; }};
  planner.ListedDetails = TListedDetails::Unused;
  planner.Writes = writes;
  TPassHooks hooks;
  hooks.Journal = journal;
  TSongResult result;
  hooks.OnResult = [&result](const TSongResult& given) {
    result = given;
    return TPassStep::Continue;
  };
  (void)RunSongPass({&song}, planner, mode, hooks);  // the one result says it all
  return result;
}

}  // namespace tagwright
