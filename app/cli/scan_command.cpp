#include "app/cli/scan_command.h"

#include <memory>
#include <string>

#include "app/cli/audio_json.h"
#include "app/cli/json_line.h"
#include "app/cli/song_pass.h"
#include "commands/song_change.h"
#include "songs/song_rows.h"
#include "text/letters.h"

namespace tagwright::cli {

namespace {

struct TScanOptions {
  std::vector<std::string> paths;
  bool recursive = false;
  bool noTags = false;
  unsigned jobs = 0;
  bool accentedLetters = false;
  bool audio = false;
  TNameOptions names;
};

constexpr std::size_t kOutputPiece = std::size_t{64} * 1024;

const char* RecognitionName(TRecognition recognition) {
  switch (recognition) {
    case TRecognition::Pattern: return "pattern";
    case TRecognition::ID3Tag: return "id3tag";
    case TRecognition::LoosePattern: return "loose";
    case TRecognition::Failed: break;
  }
  return "failed";
}

TJsonLine SongLine(const TSongRow& row, bool moreNameStyles) {
  const TSongFile& song = *row.Song;
  const TComposedName& composed = row.Composed.value();
  TJsonLine line;
  line.Add("file", song.FileName())
      .Add("recognition", RecognitionName(song.Recognition()))
      .Add("unsaved_id3", song.UnsavedID3())
      .Add("artist", song.Artist())
      .Add("title", song.Title())
      .Add("mix", song.Mix())
      .Add("track", song.Track())
      .Add("album", song.Album())
      .Add("featuring", song.Featuring())
      .Add("genre", song.Genre())
      .Add("comment", song.Comment())
      .Add("year", song.Year())
      .Add("url", song.URL())
      .Add("copy", song.Copy())
      .Add("cd", song.CD())
      .Add("mix2", song.Mix2())
      .Add("full_title", song.FullTitle())
      .Add("padded_track", song.PaddedTrack())
      .Add("renamed", composed.Renamed)
      .Add("composed_name", composed.Name)
      .Add("holds_only_details", composed.HoldsOnlyDetails)
      .Add("writable", song.WritableWhenListed());
  // Only asked for: without the option the lines stay as they always were.
  if (moreNameStyles) line.Add("tidied_name", song.TidiedName());
  if (row.Audio) AddAudioKeys(line, *row.Audio);
  return line;
}

// A row's JSON line on the output, and its failure on stderr; a file whose tags cannot be read,
// and a path that cannot be looked at, have no line: no song goes missing without a word, though.
void PrintRow(const TSongRow& row, const TScanOptions& options, std::string& text, TCliContext& context) {
  switch (row.Kind) {
    case TSongRowKind::Song:
      text += SongLine(row, options.names.moreNameStyles).Text();
      text += '\n';
      return;
    case TSongRowKind::NotSong:
      context.ReportFailure(row.Path + ": " + kNotMp3Reason);
      text += TJsonLine().Add("file", row.Path).Add("reason", kNotMp3Reason).Text();
      text += '\n';
      return;
    case TSongRowKind::UnreadablePath: context.ReportFailure(FailureText(row.Failure)); return;
    case TSongRowKind::UnreadableFolder:
      context.ReportFailure(FailureText(row.Failure));
      text += TJsonLine().Add("folder", row.Path).Add("reason", row.Failure.Error().message()).Text();
      text += '\n';
      return;
    case TSongRowKind::UnreadableSong: context.ReportFailure(row.Path + ": " + FailureText(row.Failure)); return;
  }
}

void RunScan(const TScanOptions& options, TCliContext& context) {
  // Scan cleans nothing, but a spellings file it is given must still be one.
  if (!LoadSpellings(options.names, context).usable) return;
  TRowListingOptions listing;
  listing.Recursive = options.recursive;
  listing.Reading.UseTags = !options.noTags;
  listing.Reading.ReadAudio = options.audio;
  listing.Reading.ComposeNames = true;
  listing.Reading.Jobs = options.jobs;
  listing.Reading.Recognition = options.names.Recognition(LettersOf(options.accentedLetters));
  const TSongRows rows = ListSongRows(options.paths, listing);
  // Written a piece at a time: a large folder's lines are not all held at once.
  std::string text;
  text.reserve(kOutputPiece + kOutputPiece / 8);
  for (const TSongRow& row : rows.Rows) {
    PrintRow(row, options, text, context);
    if (text.size() < kOutputPiece) continue;
    context.out << text;
    text.clear();
  }
  context.out << text << std::flush;
}

}  // namespace

void AddScanCommand(CLI::App& app, TCliContext& context) {
  auto options = std::make_shared<TScanOptions>();
  CLI::App* command = app.add_subcommand("scan", "List the songs of files and folders with their recognised details");
  command->add_flag("--recursive", options->recursive, "Include the songs of subfolders");
  command->add_flag("--no-tags", options->noTags, "Recognise from file names only; do not read tags");
  command->add_flag("--audio", options->audio,
                    "Add each song's audio facts: duration, bit rate, sample rate, channels, MPEG version");
  AddJobsOption(*command, options->jobs);
  AddAccentedLettersOption(*command, options->accentedLetters);
  AddNameOptions(*command, options->names);
  command->add_option("PATH", options->paths, "Song files and folders")->required();
  command->callback([options, &context] { RunScan(*options, context); });
}

}  // namespace tagwright::cli
