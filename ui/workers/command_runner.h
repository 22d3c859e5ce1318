// Running one command over songs for the window: the song pass with the window's answers (the
// question about a file that cannot be written, the progress in the status bar), recorded as one
// entry of the history under the command's name. A pass over several songs runs on a worker, with
// a Cancel button beside its progress; the window's thread only hears from it. What the window does
// before and after (the selection, the reload, the summary line) stays with the window.
#pragma once

#include <QObject>
#include <QString>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "commands/command_catalogue.h"
#include "commands/command_session.h"
#include "commands/song_pass.h"
#include "history/history_undo.h"
#include "history/undo_redo.h"
#include "ui/window/pass_summary.h"
#include "ui/window/remembered_selection.h"

namespace tagwright {

class TDialogs;
class THistory;
class TStatusPanels;

// One command over the selected songs.
struct TPassRequest {
  QString Command;  // the caption of its history entry and the head of its summary line
  TPassCount Count = TPassCount::SongsTagged;
  // Ask the user when a file cannot be written, or skip such songs silently.
  TWhenUnwritable Unwritable = TWhenUnwritable::Ask;
  TSongPlanner Planner;
  std::function<void(const TSongResult&)> OnResult;  // each song's result, as it comes
};

// What a run came to.
struct TPassRun {
  TPassSummary Summary;
  std::optional<std::string> StoppedBy;  // the failure that ended the pass, to be named to the user
  std::vector<TSongResult> Results;      // every song's result, in the order of the songs
  std::size_t Songs = 0;                 // the songs the pass was to go over
  std::exception_ptr Error;              // an error that escaped a pass run on a worker
};

// What a preview's dry runs came to: one list of results per planner, in the order of the songs.
struct TDryRuns {
  std::vector<std::vector<TSongResult>> Results;
  bool Cancelled = false;    // the user cancelled it: the lists may be short
  std::exception_ptr Error;  // an error that escaped a dry run
};

// An undo or a redo to run: it takes the hooks the runner gives it (progress, cancel) to the core.
using TUndoRedoWork = std::function<TResultOf<TUndoReport>(const TUndoHooks& hooks)>;

// What an undo or a redo came to.
struct TUndoRedoRun {
  std::optional<TResultOf<TUndoReport>> Report;  // none when an error escaped it
  std::exception_ptr Error;                      // an error that escaped it
};

// What the window has left to do once an undo or a redo has ended.
struct TUndoRedoEnd {
  TEntryKind Kind = TEntryKind::Undo;
  QString Command;                 // the command it takes back or puts back, for the summary line
  TRememberedSelection Selection;  // selected again afterwards, under the songs' names then
  int Remembered = -1;             // the row selected when none of them is left
};

class TCommandRunner : public QObject {
  Q_OBJECT
 public:
  // The dialogs and the status bar must outlive the runner.
  TCommandRunner(TDialogs& dialogs, TStatusPanels& statusBar, QObject* parent = nullptr);
  // Cancels a pass running, waits for its worker and completes its history entry.
  ~TCommandRunner() override;
  TCommandRunner(const TCommandRunner&) = delete;
  TCommandRunner& operator=(const TCommandRunner&) = delete;

  // The history that records the commands; none records nothing. It must outlive the runner.
  void UseHistory(THistory* history);
  THistory* History() const { return history_; }
  // The history's entries, for the commands the window runs itself; none when there is no history.
  TChangeEntries* Entries() const { return entries_.get(); }
  // Why commands that change files must not run (the history could not be opened); empty when they may.
  void RefuseChangesWithoutHistory(std::string reason) { historyMissing_ = std::move(reason); }
  const std::string& ChangesRefusedBecause() const { return historyMissing_; }

  // Runs the command over the songs, in their order; an error that escapes the pass is thrown on
  // after the history entry is completed.
  TPassRun Run(const std::vector<const TSongFile*>& songs, const TPassRequest& request);
  // Starts the pass on a worker and returns at once; the songs must stay listed until it ends.
  // The request's OnResult and the question about a file that cannot be written come on this
  // thread, as the progress does; done follows on this thread once the pass has ended and its
  // history entry is complete.
  void Start(std::vector<const TSongFile*> songs, TPassRequest request, std::function<void(TPassRun&)> done);
  // Starts dry runs of the planners over the songs on a worker, one after the other, writing
  // nothing and recording nothing; the progress shows under the caption, with Cancel. done follows
  // on this thread once they have ended or been cancelled; the songs must stay listed until then.
  void StartDryRuns(std::vector<const TSongFile*> songs, const QString& caption, std::vector<TSongPlanner> planners,
                    std::function<void(TDryRuns&)> done);
  // Runs an undo or a redo here, its progress under the caption, without Cancel.
  TUndoRedoRun RunUndoRedo(const QString& caption, std::size_t files, const TUndoRedoWork& work);
  // Starts an undo or a redo of an entry of files on a worker, as a command over songs: its
  // progress under the caption, with Cancel, which stops it between two files. done follows on
  // this thread once it has ended and its history entry is complete.
  void StartUndoRedo(const QString& caption, std::size_t files, TUndoRedoWork work,
                     std::function<void(TUndoRedoRun&)> done);
  // Tells of an entry that could not be completed.
  void TellEntryEnd(const TEntryEnd& end);
  bool IsRunning() const { return current_ != nullptr; }
  // Stops the pass running between two songs, never inside a song's write.
  void Cancel();
  // Cancels the pass running and waits for its worker; its entry is completed, done is not called.
  void CancelAndWait();
  // Called on the worker before each song's progress is told, when set (tests hold a pass up with
  // it); the function is read where it lives, and must outlive the runner.
  void SetBeforeEachSong(const std::function<void(std::size_t done)>* hook) { beforeEachSong_ = hook; }

  // A dry run of the planner over the songs, writing nothing: one result per song (fewer when hooks,
  // which may tell the progress and ask for a cancel, end it early).
  static std::vector<TSongResult> DryRun(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner,
                                         TPassHooks hooks = {});

 private:
  struct TJob;
  TPassHooks Hooks(const TPassRequest& request, TPassRun& run);
  // The hooks of a pass on a worker: each reaches the window's thread by a queued call.
  TPassHooks WorkerHooks(const std::shared_ptr<TJob>& job);
  // The progress of a job on a worker, and a cancel asked for, as every job on a worker hears them.
  TPassHooks ProgressHooks(const std::shared_ptr<TJob>& job);
  void StartWorker(const std::shared_ptr<TJob>& job);
  void WorkDryRuns(const std::shared_ptr<TJob>& job);
  TPassStep AskFromWorker(const std::shared_ptr<TJob>& job, const TSongFile& song);
  void Work(const std::shared_ptr<TJob>& job);
  void Finish(const std::shared_ptr<TJob>& job);

  TPassStep AskAboutUnwritable(const std::string& fileName);

  TDialogs& dialogs_;
  TStatusPanels& statusBar_;
  THistory* history_ = nullptr;
  std::unique_ptr<TChangeEntries> entries_;  // the history's, for the commands of the window
  std::string historyMissing_;
  std::shared_ptr<TJob> current_;  // the pass running on a worker; null when none runs
  const std::function<void(std::size_t)>* beforeEachSong_ = nullptr;
};

}  // namespace tagwright
