// What the history holds, as its readers see it: the entries (one per command that changed files),
// the record of each file an entry changed, and the bounds the history keeps to.
#pragma once

#include <cstdint>
#include <string>

#include "commands/change_journal.h"

namespace tagwright {

enum class TProgram { Window, Cli };

// "window", "cli".
const char* ProgramName(TProgram program);

// Where the history is kept: $TAGWRIGHT_HISTORY when set, else
// $XDG_STATE_HOME/tagwright/history.sqlite3 (XDG_STATE_HOME defaulting to ~/.local/state).
// Empty when neither XDG_STATE_HOME nor HOME names a folder: the history has no place then (never
// the current folder, which may well be the music).
std::string DefaultHistoryPath();

// How a program uses the history: to record and repair, or only to look (commands that change
// nothing).
enum class THistoryAccess { ReadWrite, ReadOnly };

struct THistoryEntry {
  std::int64_t Id = 0;
  std::int64_t TimeNs = 0;  // when it began, nanoseconds since the epoch
  TProgram Program = TProgram::Cli;
  std::string Command;  // the window's caption or the command line's subcommand
  std::int64_t Files = 0;
  std::int64_t FilesUndone = 0;  // of Files, those whose change is taken back
  bool Undone = false;           // every file's change is taken back
  bool UndoTried = false;        // an undo of the entry has been done, whatever it could take back
  std::int64_t Undoes = 0;       // the entry this one undid, or 0
  bool Done = false;             // finished (or repaired after a crash)
};

// "N older entries were dropped from the history to make room for this command's".
std::string DroppedForRoomMessage(std::int64_t dropped);

// How far an undo (or a redo) went through the entry it takes back: to the end, every file taken back
// or left alone for what it is (changed since, gone); or cut short (killed, the history's or the
// song's disk full), with the rest still to take back.
enum class TUndoReach { ToTheEnd, CutShort };

// "2024-05-01T12:30:00Z".
std::string IsoTime(std::int64_t timeNs);

// One file record of an entry, with its record id and state.
struct TStoredChange {
  // Planned: recorded ahead, not known to be made; Done: made, with its after state; RolledBack:
  // never made, or put back by a repair; Damaged: given up by a repair, its record being damaged;
  // LeftAlone: given up by a repair that found the song changed by another program.
  enum class TState { Planned, Done, RolledBack, Damaged, LeftAlone };
  std::int64_t Record = 0;
  TState State = TState::Planned;
  bool Undone = false;   // taken back by an undo
  bool Damaged = false;  // the record fails its checks: none of it may be written back
  TFileChange Change;
};

// The bounds of the history; the oldest entries go first.
struct THistoryLimits {
  std::int64_t MaxEntries = 200;
  std::int64_t MaxTagBytes = std::int64_t{512} << 20;
};

}  // namespace tagwright
