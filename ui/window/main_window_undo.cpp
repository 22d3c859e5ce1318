// Undo, redo and the history dialog of the window. Ctrl+Z takes back the newest command not yet
// undone, and pressed again the one before it; Ctrl+Shift+Z (or Ctrl+Y) takes back the newest undo
// while no command has changed files since (history/undo_redo.h); either first finishes an undo or
// a redo cut short. Each asks first, naming the command, its files and where they are; afterwards
// the folder shown is read again with the same songs selected, under the names the undo gave them.
#include <QCoreApplication>
#include <QDateTime>
#include <QTimer>
#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <utility>

#include "files/paths.h"
#include "history/history.h"
#include "history/history_undo.h"
#include "history/undo_redo.h"
#include "ui/dialogs/dialogs.h"
#include "ui/dialogs/history_dialog.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/text_conversion.h"
#include "ui/window/main_window.h"

namespace tagwright {

namespace {

// " in "Classics"", " in 3 folders", or nothing when the folders are not known.
QString PlaceOf(const std::vector<std::string>& folders) {
  if (folders.size() == 1) {
    std::string folder = folders.front();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return QStringLiteral(" in \"%1\"").arg(PathToQString(std::string(FileNamePart(folder))));
  }
  if (folders.size() > 1) return QStringLiteral(" in %1 folders").arg(folders.size());
  return {};
}

QString StateOf(const THistoryEntry& entry) {
  if (!entry.Done) return QStringLiteral("in progress");
  if (entry.Undone) return QStringLiteral("undone");
  if (entry.FilesUndone > 0) return QStringLiteral("partly undone");
  return QStringLiteral("done");
}

}  // namespace

// What the history dialog shows of the window's history, and its buttons.
class TWindowHistoryActions final : public THistoryActions {
 public:
  TWindowHistoryActions(TMainWindow& window, THistory& history) : window_(window), history_(history) {}

  std::vector<THistoryRow> Rows() override {
    TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(history_);
    if (!timeline) {
      window_.ShowErrorText("The history cannot be read: " + timeline.Failure().DescribeWithError());
      return {};
    }
    TResultOf<std::vector<THistoryEntry>> interrupted = history_.Interrupted();
    const auto pending = [&interrupted](std::int64_t id) {
      return interrupted && std::any_of(interrupted.Value().begin(), interrupted.Value().end(),
                                        [id](const THistoryEntry& entry) { return entry.Id == id; });
    };
    std::vector<THistoryRow> rows;
    for (const THistoryEntry& entry : timeline.Value().Entries()) {
      const QDateTime time = QDateTime::fromMSecsSinceEpoch(entry.TimeNs / 1'000'000);
      rows.push_back({entry.Id, time.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                      QString::fromLatin1(ProgramName(entry.Program)), ToQString(entry.Command), entry.Files,
                      StateOf(entry), timeline.Value().CanUndo(entry), timeline.Value().CanRedo(entry),
                      pending(entry.Id)});
    }
    return rows;
  }

  void LetGo(std::int64_t entry) override {
    TResultOf<std::optional<std::vector<TLetGo>>> letGo = LetGoOfInterrupted(history_, entry);
    if (!letGo) {
      window_.ShowErrorText("The history cannot be written: " + letGo.Failure().DescribeWithError());
      return;
    }
    if (!letGo.Value()) return;
    std::string text;
    for (const TLetGo& song : *letGo.Value()) {
      if (song.KeptCopy.empty()) continue;
      text += (text.empty() ? "" : "; ") + song.File + ": the copy made before its change stays at " + song.KeptCopy;
    }
    window_.SetStatusText(ToQString(text.empty() ? "The interrupted change was let go" : text));
  }

  std::vector<std::string> Files(std::int64_t entry) override {
    TResultOf<std::vector<std::string>> files = EntryFiles(history_, entry);
    if (!files) window_.ShowErrorText("The history cannot be read: " + files.Failure().DescribeWithError());
    return files ? files.Value() : std::vector<std::string>();
  }

  void Undo(std::int64_t entry, THistoryProgress& progress) override { UndoRedo(entry, TEntryKind::Undo, progress); }
  void Redo(std::int64_t entry, THistoryProgress& progress) override { UndoRedo(entry, TEntryKind::Redo, progress); }

 private:
  // The same checks as the keys: only an entry the rules allow is taken back, on the worker as the
  // keys take it back. The dialog shows its progress, with Cancel, until it has ended.
  void UndoRedo(std::int64_t id, TEntryKind kind, THistoryProgress& progress) {
    window_.RunGuarded([&] {
      TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(history_);
      if (!timeline) {
        window_.ShowErrorText("The history cannot be read: " + timeline.Failure().DescribeWithError());
        return;
      }
      for (const THistoryEntry& entry : timeline.Value().Entries()) {
        if (entry.Id != id) continue;
        if (kind == TEntryKind::Redo ? timeline.Value().CanRedo(entry) : timeline.Value().CanUndo(entry)) {
          window_.UndoRedoAsked(entry, kind);
        }
      }
    });
    if (!window_.IsRunningCommand()) return;
    QTimer follow;
    QObject::connect(&follow, &QTimer::timeout, [&] { progress.Show(window_.ProgressText(), {}); });
    progress.Show(window_.ProgressText(), [this] { window_.CancelCommand(); });
    follow.start(50);
    while (window_.IsRunningCommand()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    progress.Hide();
  }

  TMainWindow& window_;
  THistory& history_;
};

TResultOf<bool> TMainWindow::CanUndo() const {
  if (!runner_->History()) return false;
  const TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(*runner_->History());
  if (!timeline) return timeline.Failure();
  return timeline.Value().UndoTarget().has_value();
}

TResultOf<bool> TMainWindow::CanRedo() const {
  if (!runner_->History()) return false;
  const TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(*runner_->History());
  if (!timeline) return timeline.Failure();
  return timeline.Value().RedoTarget().has_value();
}

void TMainWindow::UndoLastCommand() {
  RunGuarded([this] { UndoRedoNewest(TEntryKind::Undo); });
}

void TMainWindow::RedoLastUndo() {
  RunGuarded([this] { UndoRedoNewest(TEntryKind::Redo); });
}

void TMainWindow::ShowHistory() {
  if (busy_ > 0) return;  // the history is being written
  RunGuarded([this] {
    if (!runner_->History()) {
      ShowErrorText(runner_->ChangesRefusedBecause().empty() ? std::string("There is no history.")
                                                             : runner_->ChangesRefusedBecause());
      return;
    }
    TWindowHistoryActions actions(*this, *runner_->History());
    dialogs_.ShowHistory(actions);
  });
}

void TMainWindow::UndoRedoNewest(TEntryKind kind) {
  if (!runner_->History() || busy_ > 0) return;
  const TResultOf<THistoryTimeline> timeline = THistoryTimeline::Read(*runner_->History());
  if (!timeline) {
    ShowErrorText("The history cannot be read: " + timeline.Failure().DescribeWithError());
    return;
  }
  const std::optional<THistoryEntry> target =
      kind == TEntryKind::Redo ? timeline.Value().RedoTarget() : timeline.Value().UndoTarget();
  if (target) UndoRedoAsked(*target, kind);
}

void TMainWindow::UndoRedoAsked(const THistoryEntry& entry, TEntryKind kind) {
  if (busy_ > 0) return;
  const bool redo = kind == TEntryKind::Redo;
  // A redo puts back the command its undo took back: the question names that command.
  std::string command = entry.Command;
  if (redo) {
    TResultOf<std::optional<THistoryEntry>> undone = runner_->History()->FindEntry(entry.Undoes);
    if (undone && undone.Value()) command = undone.Value()->Command;
  }
  TResultOf<std::vector<std::string>> folders = EntryFolders(*runner_->History(), entry.Id);
  // An entry partly taken back (an undo or a redo cut short) is finished.
  const bool partly = entry.FilesUndone > 0;
  const QString verb = redo ? (partly ? QStringLiteral("Finish redoing") : QStringLiteral("Redo"))
                            : (partly ? QStringLiteral("Finish undoing") : QStringLiteral("Undo"));
  const QString question = QStringLiteral("%1 \"%2\" on %3 file(s)%4?")
                               .arg(verb, ToQString(command))
                               .arg(entry.Files)
                               .arg(PlaceOf(folders ? folders.Value() : std::vector<std::string>()));
  if (dialogs_.MessageDlg(TMsgDlgType::Confirmation, QStringLiteral("Confirm"), question,
                          TMsgDlgButton::Yes | TMsgDlgButton::No) != TMsgDlgButton::Yes) {
    return;
  }
  TUndoRedoEnd end{kind, ToQString(command), RememberSelection(), CurrentRow()};
  end.Selection.KeepTyped = false;
  const char* entryCaption = CatalogueCommand(redo ? TCommandId::Redo : TCommandId::Undo).WindowName;
  TUndoRedoWork work = [history = runner_->History(), entry, entryCaption](const TUndoHooks& hooks) {
    return UndoOrRedo(*history, entry, TProgram::Window, entryCaption, TPassMode::Apply, hooks);
  };
  const QString caption = redo ? QStringLiteral("Redo") : QStringLiteral("Undo");
  const auto files = static_cast<std::size_t>(std::max<std::int64_t>(entry.Files, 0));
  ++busy_;
  SetCommandsEnabled(false);
  if (files <= 1) {
    // One file: nothing to cancel between files.
    EndUndoRedo(end, runner_->RunUndoRedo(caption, files, work));
    return;
  }
  SetPassRunning(true);
  runner_->StartUndoRedo(caption, files, std::move(work), [this, end](TUndoRedoRun& run) { EndUndoRedo(end, run); });
}

void TMainWindow::EndUndoRedo(const TUndoRedoEnd& end, const TUndoRedoRun& run) {
  TRememberedSelection selection = end.Selection;
  if (run.Report && !*run.Report) {
    ShowErrorText(std::string(end.Kind == TEntryKind::Redo ? "The redo" : "The undo") +
                  " could not be recorded in the history: " + run.Report->Failure().DescribeWithError());
  } else if (run.Report) {
    ReportLeftAlone(run.Report->Value(), end.Kind);
    std::map<std::string, std::string> moved;
    for (const TUndoFile& file : run.Report->Value().Files) {
      if (!file.NewFile.empty()) moved[file.File] = file.NewFile;
    }
    selection.FollowRenames(moved);
  }
  RunGuarded([&] {
    reloadSelection_ = selection;
    ReloadSongFolderNow();
    if (SelectedSongCount() == 0) SelectSingleRow(end.Remembered);
  });
  SetPassRunning(false);
  if (--busy_ == 0) SetCommandsEnabled(true);
  if (run.Error) {
    RunGuarded([&run] { std::rethrow_exception(run.Error); });
  } else if (run.Report && *run.Report) {
    // The reload has emptied the message panel.
    SetStatusText(UndoSummaryLine(end.Kind == TEntryKind::Redo ? QStringLiteral("Redo") : QStringLiteral("Undo"),
                                  end.Command, run.Report->Value()));
  }
  if (std::exchange(closeAfterPass_, false)) QTimer::singleShot(0, this, &QWidget::close);
}

void TMainWindow::ReportLeftAlone(const TUndoReport& report, TEntryKind kind) {
  if (report.Skipped() == 0) return;
  QString text = QStringLiteral("These files could not be restored:");
  for (const TUndoFile& file : report.Files) {
    if (file.Action != TUndoAction::Skipped) continue;
    text += QStringLiteral("\n") + PathToQString(file.File) + QStringLiteral(": ") + ToQString(file.Reason);
  }
  dialogs_.MessageDlg(TMsgDlgType::Warning, kind == TEntryKind::Redo ? QStringLiteral("Redo") : QStringLiteral("Undo"),
                      text, TMsgDlgButton::OK);
}

}  // namespace tagwright
