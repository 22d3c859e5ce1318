// Running one command over songs for the window: the song pass with the window's answers (the
// question about a file that cannot be written, the progress in the status bar), recorded as one
// entry of the history under the command's name. What the window does before and after (the
// selection, the reload, the summary line) stays with the window.
#pragma once

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "commands/song_pass.h"
#include "ui/pass_summary.h"

namespace tagwright {

class TDialogs;
class THistory;
class TStatusPanels;

// One command over the selected songs.
struct TPassRequest {
  QString Command;  // the caption of its history entry and the head of its summary line
  TPassCount Count = TPassCount::SongsTagged;
  // Ask the user when a file cannot be written; without, such songs are skipped silently.
  bool AskWhenUnwritable = true;
  TSongPlanner Planner;
  std::function<void(const TSongResult&)> OnResult;  // each song's result, as it comes
};

// What a run came to.
struct TPassRun {
  TPassSummary Summary;
  std::optional<std::string> StoppedBy;  // the failure that ended the pass, to be named to the user
  std::vector<TSongResult> Results;      // every song's result, in the order of the songs
};

class TCommandRunner {
 public:
  // The dialogs and the status bar must outlive the runner.
  TCommandRunner(TDialogs& dialogs, TStatusPanels& statusBar) : dialogs_(dialogs), statusBar_(statusBar) {}

  // The history that records the commands; none records nothing. It must outlive the runner.
  void UseHistory(THistory* history) { history_ = history; }
  THistory* History() const { return history_; }
  // Why commands that change files must not run (the history could not be opened); empty when they may.
  void RefuseChangesWithoutHistory(std::string reason) { historyMissing_ = std::move(reason); }
  const std::string& ChangesRefusedBecause() const { return historyMissing_; }

  // Runs the command over the songs, in their order; an error that escapes the pass is thrown on
  // after the history entry is completed.
  TPassRun Run(const std::vector<const TSongFile*>& songs, const TPassRequest& request);

  // A dry run of the planner over the songs, writing nothing: one result per song.
  static std::vector<TSongResult> DryRun(const std::vector<const TSongFile*>& songs, const TSongPlanner& planner);

 private:
  TPassHooks Hooks(const TPassRequest& request, TPassRun& run);
  void FinishEntry(class THistoryRecorder* recorder);

  TDialogs& dialogs_;
  TStatusPanels& statusBar_;
  THistory* history_ = nullptr;
  std::string historyMissing_;
};

}  // namespace tagwright
