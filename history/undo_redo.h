// Undo and redo as in an editor, on top of the history: a plain undo takes back the newest command
// not yet undone, and pressed again the one before it; a redo takes back the newest undo not yet
// redone, as long as no command has changed files since that undo. An undo or a redo cut short
// (killed, a disk full) leaves its entry partly taken back: the next plain undo or redo takes back
// the rest before going further. An undo or a redo is an entry of its own that takes back the entry
// before it (history_undo.h).
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "files/result.h"
#include "history/history.h"
#include "history/history_undo.h"

namespace tagwright {

// A command that changed files, an undo of a command, or a redo (an undo of an undo). Taking back a
// redo undoes the command again: such an entry is an undo.
enum class TEntryKind { Command, Undo, Redo };

// "command", "undo", "redo".
const char* EntryKindName(TEntryKind kind);

// The entries of the history with their kinds, newest first.
class THistoryTimeline {
 public:
  static TResultOf<THistoryTimeline> Read(THistory& history);

  const std::vector<THistoryEntry>& Entries() const { return entries_; }
  TEntryKind KindOf(const THistoryEntry& entry) const;
  // The entry a plain undo takes back: the newest finished command with changes on disk that no
  // undo has gone through to the end since it was last made or redone (one partly undone by an undo
  // cut short is taken back for the rest).
  std::optional<THistoryEntry> UndoTarget() const;
  // The undo a redo takes back: the newest finished undo not yet redone (or partly redone by a redo
  // cut short), when no command has changed files after it.
  std::optional<THistoryEntry> RedoTarget() const;
  // Whether the entry may be taken back by a redo: an undo that RedoTarget would take, were it the
  // newest; for the history dialog's Redo button.
  bool CanRedo(const THistoryEntry& entry) const;
  // Whether the entry may be taken back by an undo: a finished command with changes on disk.
  bool CanUndo(const THistoryEntry& entry) const;

 private:
  std::vector<THistoryEntry> entries_;
  std::map<std::int64_t, TEntryKind> kinds_;
};

// Takes back the entry (UndoEntry). When nothing of it could be taken back, the entry is marked as
// tried all the same, so that the next plain undo or redo goes on to the one before it; one
// cancelled is not, and is offered again.
TResultOf<TUndoReport> UndoOrRedo(THistory& history, const THistoryEntry& entry, TProgram program,
                                  const std::string& command, TPassMode mode, const TUndoHooks& hooks = {});

// The files of an entry as it left them (a song it moved to the trash: under its old name), in the
// order they were changed; changes never made are left out.
TResultOf<std::vector<std::string>> EntryFiles(THistory& history, std::int64_t entry);

// The folders of those files, each once, in the order met.
TResultOf<std::vector<std::string>> EntryFolders(THistory& history, std::int64_t entry);

}  // namespace tagwright
