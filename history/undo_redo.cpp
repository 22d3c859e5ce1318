#include "history/undo_redo.h"

#include <algorithm>
#include <set>

#include "files/paths.h"
#include "files/trash.h"

namespace tagwright {

const char* EntryKindName(TEntryKind kind) {
  switch (kind) {
    case TEntryKind::Command: return "command";
    case TEntryKind::Undo: return "undo";
    case TEntryKind::Redo: return "redo";
  }
  return "command";
}

TResultOf<THistoryTimeline> THistoryTimeline::Read(THistory& history) {
  TResultOf<std::vector<THistoryEntry>> entries = history.Entries();
  if (!entries) return entries.Failure();
  THistoryTimeline timeline;
  timeline.entries_ = std::move(entries.Value());
  std::map<std::int64_t, std::int64_t> undoes;  // what each entry took back, or 0
  for (const THistoryEntry& entry : timeline.entries_) undoes[entry.Id] = entry.Undoes;
  for (const THistoryEntry& entry : timeline.entries_) {
    // How many undos lie between the entry and the command at the start of its line. An entry
    // whose line runs into one dropped from the history is taken as the undo of a command.
    std::int64_t depth = 0;
    std::int64_t at = entry.Id;
    std::set<std::int64_t> seen;
    while (at != 0 && seen.insert(at).second) {
      auto known = undoes.find(at);
      if (known == undoes.end()) {
        TResultOf<std::optional<THistoryEntry>> found = history.FindEntry(at);
        if (!found) return found.Failure();
        if (!found.Value()) break;  // dropped: taken as a command
        known = undoes.emplace(at, found.Value()->Undoes).first;
      }
      at = known->second;
      if (at != 0) ++depth;
    }
    const TEntryKind kind = depth == 0 ? TEntryKind::Command : depth % 2 == 1 ? TEntryKind::Undo : TEntryKind::Redo;
    timeline.kinds_[entry.Id] = kind;
  }
  return timeline;
}

TEntryKind THistoryTimeline::KindOf(const THistoryEntry& entry) const {
  const auto kind = kinds_.find(entry.Id);
  if (kind != kinds_.end()) return kind->second;
  return entry.Undoes == 0 ? TEntryKind::Command : TEntryKind::Undo;
}

bool THistoryTimeline::CanUndo(const THistoryEntry& entry) const {
  return entry.Done && !entry.Undone && KindOf(entry) == TEntryKind::Command;
}

std::optional<THistoryEntry> THistoryTimeline::UndoTarget() const {
  for (const THistoryEntry& entry : entries_) {
    if (CanUndo(entry) && !entry.UndoTried) return entry;
  }
  return std::nullopt;
}

bool THistoryTimeline::CanRedo(const THistoryEntry& entry) const {
  if (!entry.Done || entry.Undone || entry.UndoTried || KindOf(entry) != TEntryKind::Undo) return false;
  // A command after the undo (finished or still under way) ends what can be redone.
  return std::none_of(entries_.begin(), entries_.end(), [&](const THistoryEntry& other) {
    return other.Id > entry.Id && KindOf(other) == TEntryKind::Command;
  });
}

std::optional<THistoryEntry> THistoryTimeline::RedoTarget() const {
  for (const THistoryEntry& entry : entries_) {
    if (KindOf(entry) == TEntryKind::Command) break;
    if (CanRedo(entry)) return entry;
  }
  return std::nullopt;
}

TResultOf<TUndoReport> UndoOrRedo(THistory& history, const THistoryEntry& entry, TProgram program,
                                  const std::string& command, TPassMode mode, const TUndoHooks& hooks) {
  TResultOf<TUndoReport> report = UndoEntry(history, entry.Id, program, command, mode, hooks);
  if (!report || mode == TPassMode::DryRun || report.Value().UndoEntry != 0 || report.Value().Files.empty())
    return report;
  // Every file was left alone (changed since, gone): the next undo goes on to the entry before.
  // Cut short (the history or the disk full), the same entry is offered again.
  if (report.Value().Reach == TUndoReach::ToTheEnd)
    (void)history.MarkUndone(entry.Id, 0);  // unmarked, the same entry is offered again
  return report;
}

TResultOf<std::vector<std::string>> EntryFiles(THistory& history, std::int64_t entry) {
  TResultOf<std::vector<std::int64_t>> records = history.Records(entry);
  if (!records) return records.Failure();
  std::vector<std::string> files;
  for (const std::int64_t record : records.Value()) {
    TResultOf<TStoredChange> change = history.Change(record);
    if (!change) return change.Failure();
    if (change.Value().State == TStoredChange::TState::RolledBack) continue;
    const TFileChange& made = change.Value().Change;
    files.push_back(TrashInfoPathOf(made.PathAfter).empty() ? made.PathAfter : made.PathBefore);
  }
  return files;
}

TResultOf<std::vector<std::string>> EntryFolders(THistory& history, std::int64_t entry) {
  TResultOf<std::vector<std::string>> files = EntryFiles(history, entry);
  if (!files) return files.Failure();
  std::vector<std::string> folders;
  std::set<std::string> seen;
  for (const std::string& file : files.Value()) {
    std::string folder = FolderToOpen(file);
    if (seen.insert(folder).second) folders.push_back(std::move(folder));
  }
  return folders;
}

}  // namespace tagwright
