// The frame of every command over the selected songs: the pass runs (on a worker, for several
// songs) while the window waits for it without blocking, and its end reloads the folder, selects
// the same songs and sums the pass up. Here too the dry runs behind the previews.
#include <QAction>
#include <QTimer>
#include <algorithm>
#include <utility>

#include "tags/id3_info.h"
#include "ui/details/song_details_panel.h"
#include "ui/dialogs/dialogs.h"
#include "ui/folders/folder_pane.h"
#include "ui/song_list/song_list_pane.h"
#include "ui/text_conversion.h"
#include "ui/window/main_window.h"
#include "ui/window/preferences.h"

namespace tagwright {

namespace {

constexpr int kPauseAfterRenameFailureMs = 2000;

}  // namespace

TPassSummary TMainWindow::RunSelectedSongsPass(const TPassRequest& request) {
  if (busy_ > 0) return {};  // no command starts while songs load or another command runs
  if (!HasSelectedSongsOrSay()) return {};
  return RunSongsPass({SelectedSongs(), RememberSelection(), {}}, request);
}

TPassSummary TMainWindow::RunSongsPass(const TSongsInHand& songs, const TPassRequest& request) {
  if (busy_ > 0) return {};
  if (!runner_->ChangesRefusedBecause().empty()) {
    ShowErrorText(runner_->ChangesRefusedBecause());
    return {};
  }
  ++busy_;
  SetCommandsEnabled(false);
  TPassEnd end{songs.Selection, request.Command, request.Count, songs.Ended};
  end.Selection.KeepTyped = false;
  pauseBeforeReload_ = false;
  if (songs.Songs.size() == 1) {
    // One song: nothing to cancel between songs, and no progress to show.
    TPassRun run;
    try {
      run = runner_->Run(songs.Songs, request);
    } catch (...) {
      run.Error = std::current_exception();
    }
    AfterPass(end, run);
    return run.Summary;
  }
  SetPassRunning(true);
  runner_->Start(songs.Songs, request, [this, end](TPassRun& run) { AfterPass(end, run); });
  return {};
}

void TMainWindow::AfterPass(const TPassEnd& end, TPassRun& run) {
  if (std::exchange(pauseBeforeReload_, false) && !run.Summary.Stopped && !run.Error) {
    // The window answers meanwhile; the commands and the folders wait until the reload.
    SetPassRunning(true);
    auto reload = [this, end, run]() mutable { EndPass(end, run); };
    if (seams_.ReloadPause) {
      seams_.ReloadPause(kPauseAfterRenameFailureMs, std::move(reload));
    } else {
      QTimer::singleShot(kPauseAfterRenameFailureMs, Qt::PreciseTimer, this, std::move(reload));
    }
    return;
  }
  EndPass(end, run);
}

void TMainWindow::EndPass(const TPassEnd& end, const TPassRun& run) {
  // The same songs are selected again, under their new names.
  reloadSelection_ = end.Selection;
  reloadResults_ = run.Results;
  RunGuarded([this] { ReloadSongFolderNow(); });
  SetPassRunning(false);
  // The keyboard comes back once the rows and the selection are as the reload leaves them.
  if (--busy_ == 0) SetCommandsEnabled(true);
  if (run.Error) {
    RunGuarded([&run] { std::rethrow_exception(run.Error); });
  } else {
    // The reload has emptied the message panel, and with it any message of the pass.
    SetStatusText(PassSummaryLine(end.Command, end.Count, run.Summary, run.Results.size(), run.Songs));
    if (run.StoppedBy) ShowErrorText(*run.StoppedBy);
  }
  if (end.Ended) RunGuarded([&] { end.Ended(run); });
  if (std::exchange(closeAfterPass_, false)) QTimer::singleShot(0, this, &QWidget::close);
}

void TMainWindow::SetPassRunning(bool running) {
  passRunning_ = running;
  // Neither another folder nor another command while the pass goes over this folder's songs.
  folderPane_->setEnabled(!running);
  if (auto* open = findChild<QAction*>(QStringLiteral("openFolderAction"))) open->setEnabled(!running);
  setAcceptDrops(!running);
}

void TMainWindow::CancelCommand() { runner_->Cancel(); }

std::vector<const TSongFile*> TMainWindow::SelectedSongs() const {
  std::vector<const TSongFile*> selected;
  for (int row = 0; row < RowCount(); ++row) {
    if (!songListPane_->IsRowSelected(row)) continue;
    if (const TSongFile* song = SongAtRow(row)) selected.push_back(song);
  }
  return selected;
}

void TMainWindow::PreviewSelectedSongsPass(const QString& caption, const TSongPlanner& planner,
                                           const TPlannerWithSpellings& withSpellings, const TApplyPreviewed& apply,
                                           const QString& note) {
  TSongsInHand previewed{SelectedSongs(), RememberSelection(), {}};
  std::vector<TSongPlanner> planners{planner};
  // The same command keeping known spellings, for the note under the table.
  if (withSpellings && KnownSpellings() == nullptr) planners.push_back(withSpellings(&TKnownSpellings::Shipped()));
  if (previewed.Songs.size() <= 1) {
    std::vector<std::vector<TSongResult>> results;
    results.reserve(planners.size());
    for (const TSongPlanner& dry : planners) results.push_back(TCommandRunner::DryRun(previewed.Songs, dry));
    ShowPreview(caption, previewed, results, apply, note);
    return;
  }
  if (busy_ > 0) return;  // no preview starts while songs load or a command runs
  // The dry runs hold pointers to the window's songs: no reload, no folder, no command meanwhile.
  ++busy_;
  SetCommandsEnabled(false);
  SetPassRunning(true);
  runner_->StartDryRuns(previewed.Songs, caption, std::move(planners),
                        [this, caption, previewed, apply, note](TDryRuns& runs) {
                          SetPassRunning(false);
                          if (--busy_ == 0) SetCommandsEnabled(true);
                          RunGuarded([&] {
                            if (runs.Error) std::rethrow_exception(runs.Error);
                            if (!runs.Cancelled && !closeAfterPass_)
                              ShowPreview(caption, previewed, runs.Results, apply, note);
                          });
                          if (std::exchange(closeAfterPass_, false)) QTimer::singleShot(0, this, &QWidget::close);
                        });
}

void TMainWindow::ShowPreview(const QString& caption, const TSongsInHand& songs,
                              const std::vector<std::vector<TSongResult>>& results, const TApplyPreviewed& apply,
                              const QString& given) {
  static const std::vector<TSongResult> kNone;
  const std::vector<TSongResult>& foreseen = results.empty() ? kNone : results[0];
  QStringList notes;
  if (!given.isEmpty()) notes << given;
  if (results.size() > 1) {
    // What the same command would write keeping known spellings: where only capitals differ, the
    // command flattens capitals that Keep Known Spellings would keep.
    const std::vector<TSongResult>& kept = results[1];
    std::size_t flattened = 0;
    for (std::size_t i = 0; i < foreseen.size() && i < kept.size(); ++i) {
      const bool namesDiffer = foreseen[i].NewFileName != kept[i].NewFileName;
      const bool tagsDiffer =
          foreseen[i].Tags.Artist != kept[i].Tags.Artist || foreseen[i].Tags.Title != kept[i].Tags.Title;
      if (namesDiffer || tagsDiffer) ++flattened;
    }
    if (flattened > 0) {
      notes << QStringLiteral(
                   "%1 names lose capitals that Keep Known Spellings would keep (AC/DC, R.E.M., DJ...) \u2014 %2")
                   .arg(flattened)
                   .arg(PreferencesPointer());
    }
  }
  if (dialogs_.PreviewPass(caption, foreseen, notes.join(QLatin1Char('\n')))) apply(songs);
}

bool TMainWindow::RefusesYear(const std::string& year, const std::vector<int>& rows) const {
  const std::string problem = YearProblem(year);
  if (problem.empty()) return false;
  const bool held = std::all_of(rows.begin(), rows.end(), [&](int row) {
    const TSongFile* song = SongAtRow(row);
    return song != nullptr && song->Year() == year;
  });
  if (!held || rows.empty()) ShowErrorText("The " + problem);
  return !held || rows.empty();
}

TPanelValues TMainWindow::TrimmedPanelValues() {
  TPanelValues panel;
  panel.Artist = detailsPanel_->TrimField(TDetailsField::Artist);
  panel.Title = detailsPanel_->TrimField(TDetailsField::Title);
  panel.Album = detailsPanel_->TrimField(TDetailsField::Album);
  panel.Year = detailsPanel_->TrimField(TDetailsField::Year);
  panel.Comment = detailsPanel_->TrimField(TDetailsField::Comment);
  panel.Track = detailsPanel_->TrimField(TDetailsField::Track);
  panel.Genre = detailsPanel_->Genre();
  return panel;
}

}  // namespace tagwright
