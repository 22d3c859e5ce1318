#include "app/cli/history_commands.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>

#include <CLI/CLI.hpp>

#include "app/cli/json_line.h"
#include "commands/command_catalogue.h"
#include "history/history.h"
#include "history/history_undo.h"
#include "history/undo_redo.h"

namespace tagwright::cli {

namespace {

struct THistoryOptions {
  std::string limit;   // as typed; empty for no limit
  std::string forget;  // the entry whose pending changes are let go, as typed; empty for none
};

struct TUndoOptions {
  std::string id;  // as typed; empty for the newest command not undone
  bool dryRun = false;
};

struct TRedoOptions {
  bool dryRun = false;
};

// A count as typed: decimal digits only, and at most the largest count there is.
std::optional<std::uint64_t> CountTyped(const std::string& text) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return std::nullopt;
  std::uint64_t value = 0;
  for (const char digit : text) {
    const auto next = static_cast<std::uint64_t>(digit - '0');
    if (value > (UINT64_MAX - next) / 10) return UINT64_MAX;
    value = value * 10 + next;
  }
  return value;
}

// An entry id is a positive number; one too large for the history names no entry either.
std::string CheckEntryId(const std::string& text) {
  const std::optional<std::uint64_t> id = CountTyped(text);
  return id && *id > 0 ? std::string() : "no history entry " + text;
}

std::string CheckLimit(const std::string& text) {
  return CountTyped(text) ? std::string() : "the limit must be a number of 0 or more, not '" + text + "'";
}

THistory* HistoryOrReport(TCliContext& context) {
  THistory* history = context.History();
  if (!history && !context.historyAbsent) {
    context.ReportFailure("the history cannot be opened: " + context.HistoryFailureText());
  }
  return history;
}

// Whether the command line's command is history --forget, which writes the history but no song.
bool LetsGo(const CLI::App& app) {
  const std::vector<CLI::App*> commands = app.get_subcommands();
  return std::any_of(commands.begin(), commands.end(), [](const CLI::App* command) {
    const CLI::Option* forget = command->get_name() == "history" ? command->get_option_no_throw("--forget") : nullptr;
    return forget && forget->count() > 0;
  });
}

// Whether the command line's command changes nothing: scan, tags, the listing of the history and
// every dry run.
bool ChangesNothing(const CLI::App& app) {
  const std::vector<CLI::App*> commands = app.get_subcommands();
  return !LetsGo(app) && std::any_of(commands.begin(), commands.end(), [](const CLI::App* command) {
    if (command->get_name() == "scan" || command->get_name() == "tags" || command->get_name() == "history") {
      return true;
    }
    const CLI::Option* dryRun = command->get_option_no_throw("--dry-run");
    // cover --save only makes new picture files.
    const CLI::Option* save = command->get_option_no_throw("--save");
    return (dryRun && dryRun->count() > 0) || (save && save->count() > 0);
  });
  return false;
}

constexpr const char* kNoPlaceForHistory =
    "neither XDG_STATE_HOME nor HOME names a folder to keep it in; name its file with --history or "
    "TAGWRIGHT_HISTORY, or change files without a history (and without undo) with --no-history";

// Lets the pending changes of an interrupted entry go, one JSON line for each song, which names
// the copy of it kept beside it.
void RunForget(THistory& history, const std::string& typed, TCliContext& context) {
  const std::uint64_t id = *CountTyped(typed);
  TResultOf<std::optional<std::vector<TLetGo>>> letGo =
      id > static_cast<std::uint64_t>(INT64_MAX) ? std::optional<std::vector<TLetGo>>()
                                                 : LetGoOfInterrupted(history, static_cast<std::int64_t>(id));
  if (!letGo) {
    context.ReportFailure("the history cannot be written: " + FailureText(letGo.Failure()));
    return;
  }
  if (!letGo.Value()) {
    context.ReportFailure("entry " + typed + " has no interrupted change pending");
    return;
  }
  for (const TLetGo& song : *letGo.Value()) {
    TJsonLine line;
    line.Add("file", song.File).Add("action", "let go");
    if (song.KeptCopy.empty()) {
      line.AddNull("kept_copy");
    } else {
      line.Add("kept_copy", song.KeptCopy);
    }
    context.out << line.Text() << '\n';
  }
  context.out << std::flush;
}

// The ids of the interrupted entries, whose changes a repair has still to settle.
std::vector<std::int64_t> PendingEntries(THistory& history) {
  std::vector<std::int64_t> ids;
  TResultOf<std::vector<THistoryEntry>> interrupted = history.Interrupted();
  if (!interrupted) return ids;  // the listing shows the entries without
  for (const THistoryEntry& entry : interrupted.Value()) ids.push_back(entry.Id);
  return ids;
}

void RunHistory(const THistoryOptions& options, TCliContext& context) {
  THistory* history = HistoryOrReport(context);
  if (!history) return;
  if (!options.forget.empty()) {
    RunForget(*history, options.forget, context);
    return;
  }
  const std::vector<std::int64_t> pending = PendingEntries(*history);
  const std::size_t limit =
      options.limit.empty() ? 0
                            : static_cast<std::size_t>(std::min<std::uint64_t>(*CountTyped(options.limit), SIZE_MAX));
  TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(*history);
  if (!timeline) {
    context.ReportFailure("the history cannot be read: " + FailureText(timeline.Failure()));
    return;
  }
  const std::vector<THistoryEntry>& entries = timeline.Value().Entries();
  for (std::size_t shown = 0; shown < entries.size() && (limit == 0 || shown < limit); ++shown) {
    const THistoryEntry& entry = entries[shown];
    TJsonLine line;
    line.Add("id", entry.Id)
        .Add("time", IsoTime(entry.TimeNs))
        .Add("program", ProgramName(entry.Program))
        .Add("command", entry.Command)
        .Add("files", entry.Files)
        .Add("undone", entry.Undone)
        .Add("files_undone", entry.FilesUndone);
    if (entry.Undoes != 0) line.Add("undoes", entry.Undoes);
    line.Add("kind", EntryKindName(timeline.Value().KindOf(entry)));
    if (std::find(pending.begin(), pending.end(), entry.Id) != pending.end()) line.Add("pending", true);
    context.out << line.Text() << '\n';
  }
  context.out << std::flush;
}

// One JSON line for each file of an undo or redo; a file left alone is a failure of the run.
void PrintUndoReport(const TUndoReport& report, TCliContext& context) {
  for (const TUndoFile& file : report.Files) {
    TJsonLine line;
    line.Add("file", file.File).Add("action", UndoActionName(file.Action));
    if (!file.NewFile.empty()) line.Add("new_file", file.NewFile);
    if (file.Action == TUndoAction::Skipped) {
      line.Add("reason", file.Reason);
      context.ReportFailure(file.File + ": " + file.Reason);
    } else {
      line.AddNull("reason");
    }
    context.out << line.Text() << '\n';
  }
  context.out << std::flush;
}

// The entry named, or, without a name, the one a plain undo (or a redo) takes back.
std::optional<THistoryEntry> FindTarget(THistory& history, std::int64_t id, TEntryKind wanted, TCliContext& context) {
  TResultOf<std::optional<THistoryEntry>> found = std::optional<THistoryEntry>();
  if (id != 0) {
    found = history.FindEntry(id);
  } else if (TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(history); !timeline) {
    found = timeline.Failure();
  } else {
    found = wanted == TEntryKind::Redo ? timeline.Value().RedoTarget() : timeline.Value().UndoTarget();
  }
  if (!found) {
    context.ReportFailure("the history cannot be read: " + FailureText(found.Failure()));
    return std::nullopt;
  }
  if (!found.Value() || found.Value()->Files == 0) {
    context.ReportFailure(id != 0                      ? "no entry " + std::to_string(id) + " in the history"
                          : wanted == TEntryKind::Redo ? "nothing to redo"
                                                       : "nothing to undo");
    return std::nullopt;
  }
  if (!found.Value()->Done) {
    context.ReportFailure("entry " + std::to_string(found.Value()->Id) + " is still in progress");
    return std::nullopt;
  }
  // An entry partly undone can be undone again, for the files not yet taken back.
  if (found.Value()->Undone) {
    context.ReportFailure("entry " + std::to_string(found.Value()->Id) + " has been undone already");
    return std::nullopt;
  }
  return found.Value();
}

void UndoRedoAndReport(THistory& history, const THistoryEntry& entry, const char* command, bool dryRun,
                       TCliContext& context) {
  TResultOf<TUndoReport> undone =
      UndoOrRedo(history, entry, TProgram::Cli, command, dryRun ? TPassMode::DryRun : TPassMode::Apply);
  if (!undone) {
    context.ReportFailure(std::string("the ") + command +
                          " could not be recorded in the history: " + FailureText(undone.Failure()));
    return;
  }
  PrintUndoReport(undone.Value(), context);
}

void RunUndo(const TUndoOptions& options, TCliContext& context) {
  THistory* history = HistoryOrReport(context);
  if (!history && context.historyAbsent) {
    context.ReportFailure(!options.id.empty() ? "no entry " + options.id + " in the history" : "nothing to undo");
  }
  if (!history) return;
  std::int64_t id = 0;
  if (!options.id.empty()) {
    const std::uint64_t typed = *CountTyped(options.id);
    if (typed > static_cast<std::uint64_t>(INT64_MAX)) {
      context.ReportFailure("no history entry " + options.id);
      return;
    }
    id = static_cast<std::int64_t>(typed);
  }
  const std::optional<THistoryEntry> target = FindTarget(*history, id, TEntryKind::Undo, context);
  if (target) UndoRedoAndReport(*history, *target, CatalogueCommand(TCommandId::Undo).CliName, options.dryRun, context);
}

void RunRedo(const TRedoOptions& options, TCliContext& context) {
  THistory* history = HistoryOrReport(context);
  if (!history && context.historyAbsent) context.ReportFailure("nothing to redo");
  if (!history) return;
  const std::optional<THistoryEntry> target = FindTarget(*history, 0, TEntryKind::Redo, context);
  if (target) UndoRedoAndReport(*history, *target, CatalogueCommand(TCommandId::Redo).CliName, options.dryRun, context);
}

}  // namespace

void AddHistoryCommands(CLI::App& app, TCliContext& context) {
  app.add_option("--history", context.historyPath,
                 "The history file (default: $TAGWRIGHT_HISTORY, or tagwright/history.sqlite3 in $XDG_STATE_HOME)");

  auto historyOptions = std::make_shared<THistoryOptions>();
  CLI::App* list = app.add_subcommand("history", "List the commands that changed files, newest first");
  list->add_option("--limit", historyOptions->limit, "Show at most N entries")->check(CheckLimit);
  list->add_option("--forget", historyOptions->forget,
                   "Let the interrupted change pending in entry ID go: its songs and copies stay as they are")
      ->check(CheckEntryId);
  list->callback([historyOptions, &context] { RunHistory(*historyOptions, context); });

  auto undoOptions = std::make_shared<TUndoOptions>();
  const TCatalogueCommand& undoCommand = CatalogueCommand(TCommandId::Undo);
  CLI::App* undo = app.add_subcommand(undoCommand.CliName, undoCommand.CliDescription);
  undo->add_option("ID", undoOptions->id, "The id of the entry (see history)")->check(CheckEntryId);
  undo->add_flag("--dry-run", undoOptions->dryRun, "Change nothing on disk; show what would happen");
  undo->callback([undoOptions, &context] { RunUndo(*undoOptions, context); });

  auto redoOptions = std::make_shared<TRedoOptions>();
  const TCatalogueCommand& redoCommand = CatalogueCommand(TCommandId::Redo);
  CLI::App* redo = app.add_subcommand(redoCommand.CliName, redoCommand.CliDescription);
  redo->add_flag("--dry-run", redoOptions->dryRun, "Change nothing on disk; show what would happen");
  redo->callback([redoOptions, &context] { RunRedo(*redoOptions, context); });

  // Every command that may change files first repairs what an interrupted run left; the others
  // only say that a repair is pending (a failure to open the history is the business of the
  // commands that need it).
  app.parse_complete_callback([&app, &context] {
    context.historyReadOnly = ChangesNothing(app);
    context.historyRepaired = !context.historyReadOnly && !LetsGo(app);
    (void)context.History();
  });
}

TCliContext::TCliContext() = default;
TCliContext::~TCliContext() = default;

std::string TCliContext::HistoryFailureText() const {
  if (historyPath.empty() && DefaultHistoryPath().empty()) return kNoPlaceForHistory;
  return FailureText(historyFailure);
}

THistory* TCliContext::History() {
  if (historyOpened_) return history_.get();
  historyOpened_ = true;
  const std::string path = historyPath.empty() ? DefaultHistoryPath() : historyPath;
  if (path.empty()) {
    historyFailure =
        TResult::Failure(TFailureKind::Open, path, std::make_error_code(std::errc::no_such_file_or_directory));
    return nullptr;
  }
  TResultOf<std::unique_ptr<THistory>> opened =
      THistory::Open(path, historyReadOnly ? THistoryAccess::ReadOnly : THistoryAccess::ReadWrite);
  if (!opened) {
    historyFailure = opened.Failure();
    return nullptr;
  }
  history_ = std::move(opened.Value());
  if (!history_) {
    historyAbsent = true;
    return nullptr;
  }
  if (!historyRepaired) {
    // Records lost are a failure of the run, whatever the command does next.
    if (!historyReadOnly) {
      for (const std::string& notice : history_->Notices()) ReportFailure(notice);
    }
    // Repairing writes songs: it is left to the next command that may.
    TResultOf<std::vector<THistoryEntry>> interrupted = history_->Interrupted();
    if (interrupted && !interrupted.Value().empty()) {
      err << "tagwright-cli: the history holds an interrupted command to repair; the next command that changes "
             "files will repair it\n";
    }
    return history_.get();
  }
  for (const std::string& notice : history_->Notices()) ReportFailure(notice);
  TResultOf<TRepairReport> repaired = RepairInterrupted(*history_);
  // A repair that could not be done is a failure of the run, whatever the command does next.
  if (!repaired) {
    ReportFailure("the history could not be repaired: " + FailureText(repaired.Failure()));
  } else {
    if (repaired.Value().Repaired > 0) err << "tagwright-cli: " << RepairMessage(repaired.Value().Repaired) << '\n';
    for (const std::string& problem : repaired.Value().Problems) ReportFailure(problem);
    for (const std::string& note : repaired.Value().Notes) err << "tagwright-cli: " << note << '\n';
  }
  return history_.get();
}

}  // namespace tagwright::cli
