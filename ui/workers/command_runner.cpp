#include "ui/workers/command_runner.h"

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>

#include "files/paths.h"
#include "history/history.h"
#include "ui/dialogs/dialogs.h"
#include "ui/text_conversion.h"
#include "ui/window/error_guard.h"
#include "ui/window/status_panels.h"

namespace tagwright {

namespace {

// What a song's result means for the window and for the pass.
struct TResultTaken {
  bool Tell = true;  // the window hears of it
  TPassStep Step = TPassStep::Continue;
};

TResultTaken TakeResult(TPassRun& run, const TSongResult& result) {
  run.Results.push_back(result);
  const TFailureKind kind = result.Failure.Kind();
  if (kind == TFailureKind::NotWritable) return {false, TPassStep::Continue};  // already asked about
  // A file that could not be read or written ends the command; a refused rename does not.
  if (result.Outcome == TChangeOutcome::Failed && kind != TFailureKind::None && kind != TFailureKind::Rename) {
    run.StoppedBy = result.Reason();
    return {true, TPassStep::Stop};
  }
  return {true, TPassStep::Continue};
}

}  // namespace

// A pass on a worker. The worker owns Run until it has ended; the window's thread reads it after.
struct TCommandRunner::TJob {
  std::vector<const TSongFile*> Songs;
  TPassRequest Request;
  std::function<void(TPassRun&)> Done;
  TPassRun Run;
  TEntryEnd End;
  // A preview: its planners run dry, one after the other, instead of the request's pass.
  std::vector<TSongPlanner> DryRunPlanners;
  TDryRuns DryRuns;
  std::function<void(TDryRuns&)> DryRunsDone;
  // An undo or a redo, instead of the request's pass.
  TUndoRedoWork UndoRedo;
  TUndoRedoRun UndoRedoRun;
  std::function<void(TUndoRedoRun&)> UndoRedoDone;
  std::size_t Total = 0;  // what the progress counts up to
  std::atomic<bool> Cancelled{false};
  std::atomic<bool> ProgressPending{false};  // a progress is on its way to the window's thread
  std::thread Worker;
};

TCommandRunner::TCommandRunner(TDialogs& dialogs, TStatusPanels& statusBar, QObject* parent)
    : QObject(parent), dialogs_(dialogs), statusBar_(statusBar) {}

TCommandRunner::~TCommandRunner() { CancelAndWait(); }

void TCommandRunner::CancelAndWait() {
  if (!current_) return;
  const std::shared_ptr<TJob> job = std::move(current_);
  job->Cancelled = true;
  job->Worker.join();  // the pass completes its entry as it ends
}

void TCommandRunner::UseHistory(THistory* history) {
  history_ = history;
  entries_ = history ? std::make_unique<THistoryEntries>(*history, TProgram::Window) : nullptr;
}

TPassStep TCommandRunner::AskAboutUnwritable(const std::string& fileName) {
  const QString text =
      PathToQString(std::string(FileNamePart(fileName))) + QStringLiteral(" cannot be written to.  Continue?");
  const bool goOn = dialogs_.MessageDlg(TMsgDlgType::Error, QStringLiteral("Error"), text,
                                        TMsgDlgButton::Yes | TMsgDlgButton::No) == TMsgDlgButton::Yes;
  return goOn ? TPassStep::Continue : TPassStep::Stop;
}

TPassHooks TCommandRunner::Hooks(const TPassRequest& request, TPassRun& run) {
  TPassHooks hooks;
  hooks.OnUnwritable = [this, ask = request.Unwritable == TWhenUnwritable::Ask](const TSongFile& song) {
    return ask ? AskAboutUnwritable(song.FileName()) : TPassStep::Continue;
  };
  hooks.OnResult = [&run, onResult = request.OnResult](const TSongResult& result) {
    const TResultTaken taken = TakeResult(run, result);
    if (taken.Tell && onResult) onResult(result);
    return taken.Step;
  };
  // The message panel belongs to the messages of the pass; the progress has a place of its own.
  hooks.OnProgress = [this, command = request.Command](std::size_t done, std::size_t total) {
    if (total > 1) statusBar_.ShowProgress(command, done, total);
  };
  return hooks;
}

TPassRun TCommandRunner::Run(const std::vector<const TSongFile*>& songs, const TPassRequest& request) {
  TPassRun run;
  run.Songs = songs.size();
  // The whole pass is one entry of the history, under the caption of its command.
  TCommandOutcome outcome;
  try {
    outcome = RunCommand(entries_.get(), request.Command.toStdString(), songs, request.Planner, TPassMode::Apply,
                         Hooks(request, run));
  } catch (...) {
    statusBar_.HideProgress();
    throw;
  }
  statusBar_.HideProgress();
  run.Summary = outcome.Summary;
  TellEntryEnd(outcome.End);
  return run;
}

void TCommandRunner::Start(std::vector<const TSongFile*> songs, TPassRequest request,
                           std::function<void(TPassRun&)> done) {
  auto job = std::make_shared<TJob>();
  job->Songs = std::move(songs);
  job->Request = std::move(request);
  job->Done = std::move(done);
  job->Run.Songs = job->Songs.size();
  job->Total = job->Songs.size();
  StartWorker(job);
}

namespace {

TUndoHooks UndoHooks(const TPassHooks& hooks) { return {hooks.OnProgress, hooks.CancelRequested}; }

}  // namespace

TUndoRedoRun TCommandRunner::RunUndoRedo(const QString& caption, std::size_t files, const TUndoRedoWork& work) {
  TUndoRedoRun run;
  TUndoHooks hooks;
  hooks.OnProgress = [this, caption](std::size_t done, std::size_t total) {
    if (total > 1) statusBar_.ShowProgress(caption, done, total);
  };
  statusBar_.ShowProgress(caption, 0, files);
  try {
    run.Report = work(hooks);
  } catch (...) {
    run.Error = std::current_exception();
  }
  statusBar_.HideProgress();
  return run;
}

void TCommandRunner::StartUndoRedo(const QString& caption, std::size_t files, TUndoRedoWork work,
                                   std::function<void(TUndoRedoRun&)> done) {
  auto job = std::make_shared<TJob>();
  job->Request.Command = caption;
  job->UndoRedo = std::move(work);
  job->UndoRedoDone = std::move(done);
  job->Total = files;
  StartWorker(job);
}

void TCommandRunner::StartDryRuns(std::vector<const TSongFile*> songs, const QString& caption,
                                  std::vector<TSongPlanner> planners, std::function<void(TDryRuns&)> done) {
  auto job = std::make_shared<TJob>();
  job->Songs = std::move(songs);
  job->Request.Command = caption;
  job->DryRunPlanners = std::move(planners);
  job->DryRunsDone = std::move(done);
  job->Total = job->Songs.size();
  StartWorker(job);
}

void TCommandRunner::StartWorker(const std::shared_ptr<TJob>& job) {
  current_ = job;
  statusBar_.ShowProgress(job->Request.Command, 0, job->Total);
  statusBar_.ShowCancel(true);
  job->Worker = std::thread([this, job] { Work(job); });
}

void TCommandRunner::Cancel() {
  if (!current_) return;
  current_->Cancelled = true;
  statusBar_.ShowCancel(false);
}

TPassStep TCommandRunner::AskFromWorker(const std::shared_ptr<TJob>& job, const TSongFile& song) {
  auto answer = std::make_shared<std::promise<TPassStep>>();
  std::future<TPassStep> asked = answer->get_future();
  QMetaObject::invokeMethod(
      this,
      [this, job, answer, fileName = song.FileName()] {
        answer->set_value(job->Cancelled ? TPassStep::Stop : AskAboutUnwritable(fileName));
      },
      Qt::QueuedConnection);
  // The worker waits for the answer; a cancel, or the window closing, ends the wait.
  constexpr auto kLookAgain = std::chrono::milliseconds(20);
  while (asked.wait_for(kLookAgain) != std::future_status::ready) {
    if (job->Cancelled) return TPassStep::Stop;
  }
  return asked.get();
}

TPassHooks TCommandRunner::ProgressHooks(const std::shared_ptr<TJob>& job) {
  TPassHooks hooks;
  hooks.CancelRequested = [job] { return job->Cancelled.load(); };
  hooks.OnProgress = [this, job](std::size_t done, std::size_t total) {
    if (beforeEachSong_ != nullptr && *beforeEachSong_) (*beforeEachSong_)(done);
    if (job->ProgressPending.exchange(true)) return;  // the window has not shown the one before yet
    QMetaObject::invokeMethod(
        this,
        [this, job, done, total] {
          job->ProgressPending = false;
          if (job == current_) statusBar_.ShowProgress(job->Request.Command, done, total);
        },
        Qt::QueuedConnection);
  };
  return hooks;
}

TPassHooks TCommandRunner::WorkerHooks(const std::shared_ptr<TJob>& job) {
  TPassHooks hooks = ProgressHooks(job);
  hooks.OnUnwritable = [this, job](const TSongFile& song) {
    return job->Request.Unwritable == TWhenUnwritable::Ask ? AskFromWorker(job, song) : TPassStep::Continue;
  };
  hooks.OnResult = [this, job](const TSongResult& result) {
    const TResultTaken taken = TakeResult(job->Run, result);
    if (taken.Tell && job->Request.OnResult) {
      QMetaObject::invokeMethod(
          this, [job, result] { job->Request.OnResult(result); }, Qt::QueuedConnection);
    }
    return taken.Step;
  };
  return hooks;
}

void TCommandRunner::WorkDryRuns(const std::shared_ptr<TJob>& job) {
  for (const TSongPlanner& planner : job->DryRunPlanners) {
    if (job->Cancelled) break;
    job->DryRuns.Results.push_back(DryRun(job->Songs, planner, ProgressHooks(job)));
  }
}

void TCommandRunner::Work(const std::shared_ptr<TJob>& job) {
  if (job->UndoRedo) {
    try {
      job->UndoRedoRun.Report = job->UndoRedo(UndoHooks(ProgressHooks(job)));
    } catch (...) {
      job->UndoRedoRun.Error = std::current_exception();
    }
    QMetaObject::invokeMethod(
        this, [this, job] { Finish(job); }, Qt::QueuedConnection);
    return;
  }
  const bool preview = !job->DryRunPlanners.empty();
  try {
    if (preview) {
      WorkDryRuns(job);
    } else {
      TCommandOutcome outcome = RunCommand(entries_.get(), job->Request.Command.toStdString(), job->Songs,
                                           job->Request.Planner, TPassMode::Apply, WorkerHooks(job));
      job->Run.Summary = outcome.Summary;
      job->End = outcome.End;
    }
  } catch (...) {
    (preview ? job->DryRuns.Error : job->Run.Error) = std::current_exception();
  }
  QMetaObject::invokeMethod(
      this, [this, job] { Finish(job); }, Qt::QueuedConnection);
}

void TCommandRunner::Finish(const std::shared_ptr<TJob>& job) {
  if (job != current_) return;
  job->Worker.join();
  current_.reset();
  statusBar_.HideProgress();
  if (job->UndoRedoDone) {
    job->UndoRedoDone(job->UndoRedoRun);
    return;
  }
  if (job->DryRunsDone) {
    // A cancel that came after the last song still cancels the preview.
    job->DryRuns.Cancelled = job->Cancelled.load();
    job->DryRunsDone(job->DryRuns);
    return;
  }
  TellEntryEnd(job->End);
  if (job->Done) job->Done(job->Run);
}

void TCommandRunner::TellEntryEnd(const TEntryEnd& end) {
  if (!end.Finished) {
    // The changes are on disk; an entry that cannot be completed is repaired from its records.
    TErrorGuard(dialogs_).ShowErrorText("The history could not be completed: " + end.Finished.DescribeWithError());
  }
}

std::vector<TSongResult> TCommandRunner::DryRun(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner,
                                                TPassHooks hooks) {
  std::vector<TSongResult> results;
  hooks.OnResult = [&](const TSongResult& result) {
    results.push_back(result);
    return TPassStep::Continue;
  };
  // Every song has its row in the preview: the counts add nothing.
  (void)RunSongPass(songs, planner, TPassMode::DryRun, hooks);
  return results;
}

}  // namespace tagwright
