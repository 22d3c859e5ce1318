// The one chain behind every command that changes songs, for the window and the command line alike:
// for each song in order, "is it a song?" -> "can the file be written?" -> read it -> "still as
// listed?" -> plan -> carry the change out (or, in a dry run, only foresee it) -> report. What the front end
// does with a file that cannot be written, with progress and with each result, it says in hooks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "commands/change_journal.h"
#include "commands/durable_songs.h"
#include "commands/planned_names.h"
#include "commands/song_change.h"
#include "commands/song_result.h"
#include "files/result.h"
#include "songs/song_file.h"
#include "tags/id3_info.h"

namespace tagwright {

// Whether a plan needs the tags the file holds now (to keep the fields it does not set).
enum class TTagsNeeded : bool { No, Yes };
// Whether a plan goes by the details the listing read.
enum class TListedDetails : bool { Used, Unused };
// What a plan changes of a song: a plan that only gives songs new names needs no write permission
// on them (only on their folder); nor does one that takes the file away whole, for which a file
// gone meanwhile fails with the system's reason rather than being skipped as unwritable.
enum class TWrites : std::uint8_t { TagsAndNames, NamesOnly, WholeFile };

struct TSongPlanner {
  TTagsNeeded Tags = TTagsNeeded::No;
  // Works out the change for one song; tags are the file's (empty unless Tags is Yes).
  std::function<TSongChange(const TSongFile& song, const TID3Info& tags)> Plan;
  // Whether the plan goes by what the listing read of the song (its details), and so must not be
  // carried out once the file holds other tag values than the listing read; a plan that goes only
  // by the tags read under the song's lock needs no such check.
  TListedDetails ListedDetails = TListedDetails::Used;
  TWrites Writes = TWrites::TagsAndNames;
};

struct TPassHooks {
  // A song whose file cannot be written: Continue skips it (its result still follows), Stop ends
  // the pass. Without this hook such songs are skipped.
  std::function<TPassStep(const TSongFile& song)> OnUnwritable;
  // Before each song: how many are done, out of how many.
  std::function<void(std::size_t done, std::size_t total)> OnProgress;
  // Asked between songs, never while one is written: true ends the pass there, as cancelled.
  std::function<bool()> CancelRequested;
  // After each song. Stop ends the pass.
  std::function<TPassStep(const TSongResult& result)> OnResult;
  // Where a real run records each change before and after making it, so that it can be taken
  // back; none records nothing. A change that cannot be recorded is not made.
  TChangeJournal* Journal = nullptr;
  // How the songs written in place are flushed, once a batch, before they are reported: syncfs
  // unless a test puts another in its place.
  TFlushFileSystem FlushFileSystem = nullptr;
};

TPassSummary RunSongPass(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner, TPassMode mode,
                         const TPassHooks& hooks);

}  // namespace tagwright
