#include "app/cli/song_pass.h"

#include <sys/stat.h>

#include <CLI/CLI.hpp>
#include <memory>
#include <set>

#include "app/cli/json_line.h"
#include "app/cli/song_paths.h"
#include "files/file_access.h"
#include "songs/song_list.h"

namespace tagwright::cli {

namespace {

// What the file system would look like after the renames of a dry run, so that a dry run reports
// the same clashes as the real one.
class TPlannedNames {
 public:
  bool Taken(const std::string& path) const {
    if (created_.count(path) != 0) return true;
    if (vacated_.count(path) != 0) return false;
    struct stat info {};
    return lstat(path.c_str(), &info) == 0;
  }
  void Rename(const std::string& from, const std::string& to) {
    created_.erase(from);
    vacated_.insert(from);
    vacated_.erase(to);
    created_.insert(to);
  }

 private:
  std::set<std::string> created_;
  std::set<std::string> vacated_;
};

TJsonLine TagsLine(const TID3Info& tags) {
  TJsonLine line;
  line.Add("title", tags.Title)
      .Add("artist", tags.Artist)
      .Add("album", tags.Album)
      .Add("year", tags.Year)
      .Add("comment", tags.Comment)
      .Add("genre", tags.Genre)
      .Add("track", static_cast<int>(tags.Track));
  return line;
}

std::string ResultLine(const std::string& file, const TChangeResult& result, const TSongChange* change) {
  TJsonLine line;
  line.Add("file", file).Add("action", OutcomeName(result.Outcome));
  if (!result.NewFileName.empty()) line.Add("new_file", result.NewFileName);
  if (result.Outcome == TChangeOutcome::Skipped || result.Outcome == TChangeOutcome::Failed) {
    line.Add("reason", result.Reason);
  }
  // A failed rename comes after the tag was written; a change that failed before never writes one.
  const bool tagged = change != nullptr && change->WriteTags && result.Outcome != TChangeOutcome::Skipped;
  if (tagged) {
    line.Add("tags", TagsLine(change->Tags));
  } else {
    line.AddNull("tags");
  }
  return line.Text();
}

TChangeResult Preview(const std::string& file, const TSongChange& change, TPlannedNames& names) {
  TChangeResult result = PreviewSongChange(change);
  if (change.NewFileName.empty() || !change.Refusal.empty()) return result;
  if (names.Taken(change.NewFileName)) {
    result.Outcome = TChangeOutcome::Failed;
    result.NewFileName.clear();
    result.Reason = kRenameFailedMessage;
  } else {
    names.Rename(file, change.NewFileName);
  }
  return result;
}

}  // namespace

void RunSongPass(const TPassOptions& options, const TSongPlanner& planner, TCliContext& context) {
  TSongPaths found = CollectSongPaths(options.paths, options.recursive);
  for (const std::string& error : found.Errors) context.ReportFailure(error);

  const auto onFailure = [&](const std::string& file, const std::string& error) {
    context.ReportFailure(file + ": " + error);
    context.out << ResultLine(file, {TChangeOutcome::Failed, {}, error}, nullptr) << '\n';
  };
  const TSongList songs = BindSongs(found.Files, true, onFailure);

  TPlannedNames plannedNames;
  for (std::size_t i = 0; i < songs.Count(); ++i) {
    TSongFile& song = *songs[i];
    const std::string file = song.FileName();
    if (!IsFileWritable(file)) {
      context.ReportFailure(file + ": " + kNotWritableReason);
      TChangeResult skipped{TChangeOutcome::Skipped, {}, kNotWritableReason};
      context.out << ResultLine(file, skipped, nullptr) << '\n';
      continue;
    }
    TSongChange change;
    TChangeResult result;
    try {
      change = planner(song);
      result = options.dryRun ? Preview(file, change, plannedNames) : ApplySongChange(file, change);
    } catch (const std::exception& error) {
      result = {TChangeOutcome::Failed, {}, error.what()};
      change.WriteTags = false;
    }
    if (result.Outcome == TChangeOutcome::Failed) context.ReportFailure(file + ": " + result.Reason);
    context.out << ResultLine(file, result, &change) << '\n';
  }
  context.out << std::flush;
}

void AddPassOptions(CLI::App& command, TPassOptions& options) {
  command.add_flag("--recursive", options.recursive, "Include the songs of subfolders");
  command.add_flag("--dry-run", options.dryRun, "Change nothing on disk; show what would happen");
  command.add_option("PATH", options.paths, "Song files and folders")->required();
}

}  // namespace tagwright::cli
