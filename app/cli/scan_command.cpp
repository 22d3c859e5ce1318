#include "app/cli/scan_command.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include <sys/stat.h>

#include "app/cli/audio_json.h"
#include "app/cli/json_line.h"
#include "app/cli/song_pass.h"
#include "app/cli/song_paths.h"
#include "commands/song_change.h"
#include "files/file_access.h"
#include "songs/file_name_composition.h"
#include "songs/song_list.h"
#include "songs/song_listing.h"
#include "tags/audio_facts.h"
#include "tags/byte_source.h"
#include "tags/mp3_content.h"
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

// The audio facts of the files listed, by their index among the files; read by the listing while
// each song is open. A song the listing did not open (with --no-tags) is read on its own.
class TScanAudio {
 public:
  explicit TScanAudio(std::size_t files) : facts_(files) {}
  void Read(std::size_t index, TByteSource& song, const std::string& file, std::int64_t tagSize) {
    facts_[index].emplace(ReadAudioFacts(song, file, tagSize));
  }
  // The songs as listed, before they are sorted: in the order of the files, less those that failed.
  void Bind(const TSongList& songs, const std::vector<std::string>& files) {
    songIndex_.reserve(songs.Count());
    std::size_t file = 0;
    for (std::size_t i = 0; i < songs.Count(); ++i) {
      while (file < files.size() && files[file] != songs[i]->FileName()) ++file;
      if (file == files.size()) break;
      songIndex_.emplace(songs[i], file++);
    }
  }
  TResultOf<TAudioFacts> For(const TSongFile& song) const {
    const auto found = songIndex_.find(&song);
    if (found != songIndex_.end() && facts_[found->second]) return *facts_[found->second];
    return ReadAudioFacts(song.FileName());
  }

 private:
  std::vector<std::optional<TResultOf<TAudioFacts>>> facts_;
  std::unordered_map<const TSongFile*, std::size_t> songIndex_;
};

// The songs of the files as BindSongs lists them, with their audio facts read on the way when
// audio is given.
TSongList ListForScan(const std::vector<std::string>& files, const TScanOptions& options, TScanAudio* audio,
                      TCliContext& context) {
  const auto onFailure = [&](const std::string& file, const std::string& error) {
    context.ReportFailure(file + ": " + error);
  };
  const TRecognitionOptions recognition = options.names.Recognition(LettersOf(options.accentedLetters));
  if (audio == nullptr) return BindSongs(files, !options.noTags, options.jobs, onFailure, recognition);
  TListingOptions listing;
  listing.UseTags = !options.noTags;
  listing.Recognition = recognition;
  listing.Jobs = options.jobs;
  listing.AlsoRead = [&](std::size_t index, TByteSource& song, std::int64_t tagSize) {
    audio->Read(index, song, files[index], tagSize);
  };
  TListing listed = ListSongs(files, listing);
  for (const TResult& failure : listed.Failures) onFailure(failure.Path(), FailureText(failure));
  audio->Bind(listed.Songs, files);
  listed.Songs.SortBy(TSortOrder::FileName);
  return std::move(listed.Songs);
}

const char* RecognitionName(TRecognition recognition) {
  switch (recognition) {
    case TRecognition::Pattern: return "pattern";
    case TRecognition::ID3Tag: return "id3tag";
    case TRecognition::LoosePattern: return "loose";
    case TRecognition::Failed: break;
  }
  return "failed";
}

TJsonLine SongLine(const TSongFile& song, bool moreNameStyles, TLetters letters) {
  const std::string& file = song.FileName();
  const std::string composed = ComposeFileName(song, file);
  TJsonLine line;
  line.Add("file", file)
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
      .Add("renamed", IsFileRenamed(song, composed))
      .Add("composed_name", FileNamePart(composed))
      .Add("holds_only_details", FileNameHoldsOnlyDetails(song, FileNamePart(file), letters))
      .Add("writable", song.WritableWhenListed());
  // Only asked for: without the option the lines stay as they always were.
  if (moreNameStyles) line.Add("tidied_name", song.TidiedName());
  return line;
}

// The paths less the files named that are no songs: each of those gets a line of its own with the
// reason, and is a failure of the run. Folders, and what cannot be looked at, stay for the listing
// (the songs of a folder are found as the song list finds them).
std::vector<std::string> KeepSongFiles(const std::vector<std::string>& paths, TCliContext& context) {
  std::vector<std::string> kept;
  kept.reserve(paths.size());
  for (const std::string& path : paths) {
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) {
      if (TResultOf<bool> song = IsSongFile(path); song && !song.Value()) {
        context.ReportFailure(path + ": " + kNotMp3Reason);
        context.out << TJsonLine().Add("file", path).Add("reason", kNotMp3Reason).Text() << '\n';
        continue;
      }
    }
    kept.push_back(path);  // a failure to look is the listing's to report
  }
  return kept;
}

void RunScan(const TScanOptions& options, TCliContext& context) {
  const TLetters letters = LettersOf(options.accentedLetters);
  // Scan cleans nothing, but a spellings file it is given must still be one.
  if (!LoadSpellings(options.names, context).usable) return;
  TSongPaths found = CollectSongPaths(KeepSongFiles(options.paths, context), options.recursive);
  for (const std::string& error : found.Errors) context.ReportFailure(error);
  // A folder that could not be read is named among the songs too, so that no song goes missing
  // without a word.
  for (const TUnreadableFolder& folder : found.UnreadableFolders) {
    context.out << TJsonLine().Add("folder", folder.Folder).Add("reason", folder.Error.message()).Text() << '\n';
  }

  std::optional<TScanAudio> audio;
  if (options.audio) audio.emplace(found.Files.size());
  const TSongList songs = ListForScan(found.Files, options, audio ? &*audio : nullptr, context);

  // The lines are made on the listing's threads too, each thread a run of songs, and written in
  // list order.
  const std::size_t count = songs.Count();
  const std::size_t threads = std::max<std::size_t>(
      1, std::min<std::size_t>(options.jobs == 0 ? DefaultListingJobs() : options.jobs, count / 256));
  std::vector<std::string> parts(threads);
  const auto makeLines = [&](std::size_t part) {
    const std::size_t first = count * part / threads;
    const std::size_t last = count * (part + 1) / threads;
    std::string& text = parts[part];
    for (std::size_t i = first; i < last; ++i) {
      TJsonLine line = SongLine(*songs[i], options.names.moreNameStyles, letters);
      if (audio) AddAudioKeys(line, audio->For(*songs[i]));
      text += line.Text();
      text += '\n';
    }
  };
  std::vector<std::thread> workers;
  for (std::size_t part = 1; part < threads; ++part) workers.emplace_back(makeLines, part);
  makeLines(0);
  for (std::thread& worker : workers) worker.join();
  for (const std::string& part : parts) context.out << part;
  context.out << std::flush;
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
