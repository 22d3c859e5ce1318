#include "ui/command_runner.h"

#include <memory>

#include "files/paths.h"
#include "history/history.h"
#include "ui/dialogs.h"
#include "ui/error_guard.h"
#include "ui/status_panels.h"
#include "ui/text_conversion.h"

namespace tagwright {

TPassHooks TCommandRunner::Hooks(const TPassRequest& request, TPassRun& run) {
  TPassHooks hooks;
  hooks.OnUnwritable = [this, ask = request.AskWhenUnwritable](const TSongFile& song) {
    if (!ask) return TPassStep::Continue;
    const QString text =
        PathToQString(std::string(FileNamePart(song.FileName()))) + QStringLiteral(" cannot be written to.  Continue?");
    const bool goOn = dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), text,
                                          TMsgDlgButton::Yes | TMsgDlgButton::No) == TMsgDlgButton::Yes;
    return goOn ? TPassStep::Continue : TPassStep::Stop;
  };
  hooks.OnResult = [&run, onResult = request.OnResult](const TSongResult& result) {
    run.Results.push_back(result);
    const TFailureKind kind = result.Failure.Kind();
    if (kind == TFailureKind::NotWritable) return TPassStep::Continue;  // already asked about
    if (onResult) onResult(result);
    // A file that could not be read or written ends the command; a refused rename does not.
    if (result.Outcome == TChangeOutcome::Failed && kind != TFailureKind::None && kind != TFailureKind::Rename) {
      run.StoppedBy = result.Reason();
      return TPassStep::Stop;
    }
    return TPassStep::Continue;
  };
  // The message panel belongs to the messages of the pass; the progress has a place of its own.
  hooks.OnProgress = [this, command = request.Command](std::size_t done, std::size_t total) {
    if (total > 1) statusBar_.ShowProgress(command, done, total);
  };
  return hooks;
}

TPassRun TCommandRunner::Run(const std::vector<const TSongFile*>& songs, const TPassRequest& request) {
  TPassRun run;
  TPassHooks hooks = Hooks(request, run);
  // The whole pass is one entry of the history, under the caption of its command.
  std::unique_ptr<THistoryRecorder> recorder;
  if (history_) recorder = history_->StartEntry(TProgram::Window, request.Command.toStdString());
  hooks.Journal = recorder.get();
  try {
    run.Summary = RunSongPass(songs, request.Planner, TPassMode::Apply, hooks);
  } catch (...) {
    statusBar_.HideProgress();
    FinishEntry(recorder.get());
    throw;
  }
  statusBar_.HideProgress();
  FinishEntry(recorder.get());
  return run;
}

void TCommandRunner::FinishEntry(THistoryRecorder* recorder) {
  if (recorder == nullptr) return;
  if (TResult finished = recorder->Finish(); !finished) {
    // The changes are on disk; an entry that cannot be completed is repaired from its records.
    TErrorGuard(dialogs_).ShowErrorText("The history could not be completed: " + finished.DescribeWithError());
  }
}

std::vector<TSongResult> TCommandRunner::DryRun(const std::vector<const TSongFile*>& songs,
                                                const TSongPlanner& planner) {
  std::vector<TSongResult> results;
  TPassHooks hooks;
  hooks.OnResult = [&](const TSongResult& result) {
    results.push_back(result);
    return TPassStep::Continue;
  };
  // Every song has its row in the preview: the counts add nothing.
  (void)RunSongPass(songs, planner, TPassMode::DryRun, hooks);
  return results;
}

}  // namespace tagwright
