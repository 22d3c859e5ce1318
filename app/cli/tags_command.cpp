#include "app/cli/tags_command.h"

#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "app/cli/audio_json.h"
#include "app/cli/json_line.h"
#include "commands/song_change.h"
#include "tags/audio_facts.h"
#include "tags/id3_info.h"
#include "tags/id3v2.h"
#include "tags/mp3_content.h"

namespace tagwright::cli {

namespace {

TJsonLine ID3v2Object(const TID3v2& tag) {
  TJsonLine object;
  object.Add("has_tag", tag.HasTag)
      .Add("major_version", static_cast<int>(tag.MajorVersion))
      .Add("tag_size", tag.TagSize)
      .Add("title", tag.Title)
      .Add("artist", tag.Artist)
      .Add("album", tag.Album)
      .Add("track", static_cast<int>(tag.Track))
      .Add("track_text", tag.TrackText)
      .Add("year", tag.Year)
      .Add("genre", tag.Genre)
      .Add("comment", tag.Comment)
      .Add("composer", tag.Composer)
      .Add("encoder", tag.Encoder)
      .Add("copyright", tag.Copyright)
      .Add("language", tag.Language)
      .Add("link", tag.Link);
  return object;
}

void RunTags(const std::vector<std::string>& files, TCliContext& context) {
  for (const std::string& file : files) {
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
      context.ReportFailure(file + ": is a folder; use scan");
      continue;
    }
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
      context.ReportFailure(file + ": no such file");
      continue;
    }
    const TResultOf<bool> song = IsSongFile(file);
    if (!song) {
      context.ReportFailure(FailureText(song.Failure()));
      continue;
    }
    if (!song.Value()) {
      context.ReportFailure(file + ": " + kNotMp3Reason);
      context.out << TJsonLine().Add("file", file).Add("reason", kNotMp3Reason).Text() << '\n';
      continue;
    }
    TID3Info tags;
    const TResultOf<bool> read = ReadID3Tags(file, tags);
    if (!read) {
      context.ReportFailure(file + ": " + FailureText(read.Failure()));
      continue;
    }
    const bool hasTags = read.Value();
    TID3v2 id3v2;
    // The file was read a moment ago; a file too short for a tag header shows as one without.
    (void)id3v2.Load(file);
    TJsonLine line;
    line.Add("file", file)
        .Add("has_tags", hasTags)
        .Add("title", tags.Title)
        .Add("artist", tags.Artist)
        .Add("album", tags.Album)
        .Add("year", tags.Year)
        .Add("comment", tags.Comment)
        .Add("genre", tags.Genre)
        .Add("track", static_cast<int>(tags.Track))
        .Add("id3v2", ID3v2Object(id3v2));
    AddAudioKeys(line, ReadAudioFacts(file));
    context.out << line.Text() << '\n';
  }
  context.out << std::flush;
}

}  // namespace

void AddTagsCommand(CLI::App& app, TCliContext& context) {
  auto files = std::make_shared<std::vector<std::string>>();
  CLI::App* command = app.add_subcommand("tags", "Show the ID3 tag values of song files");
  command->add_option("FILE", *files, "Song files")->required();
  command->callback([files, &context] { RunTags(*files, context); });
}

}  // namespace tagwright::cli
