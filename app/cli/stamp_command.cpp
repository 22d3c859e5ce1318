#include "app/cli/stamp_command.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/song_pass.h"
#include "commands/command_catalogue.h"
#include "commands/song_plans.h"
#include "tags/id3_info.h"
#include "tags/integer_text.h"

namespace tagwright::cli {

namespace {

struct TStampOptions {
  std::vector<std::string> files;
  bool recognized = false;  // stamp each song's recognised details instead of the given fields
  bool recursive = false;
  bool dryRun = false;
  unsigned jobs = 0;
  bool noHistory = false;
  bool accentedLetters = false;
  TNameOptions names;  // with --recognized
  // Each field is written only when its option was given (then even as the empty text).
  std::optional<std::string> artist, title, album, year, comment, genre, track;
};

// The given fields set on the tags read from the song under its lock, the others kept.
TSongChange StampGivenFields(const TStampOptions& options, TID3Info tags) {
  if (options.artist) tags.Artist = *options.artist;
  if (options.title) tags.Title = *options.title;
  if (options.album) tags.Album = *options.album;
  if (options.year) tags.Year = *options.year;
  if (options.comment) tags.Comment = *options.comment;
  if (options.genre) tags.Genre = *options.genre;
  if (options.track) tags.SetTrackText(*options.track);
  TSongChange change;
  change.WriteTags = true;
  change.Tags = std::move(tags);
  return change;
}

// A track is a number from 0 to 255, or the empty text for none.
std::string CheckTrack(const std::string& text) {
  if (text.empty()) return {};
  const std::optional<std::int32_t> value = ParseIntegerText(text);
  if (value && *value >= 0 && *value <= 255) return {};
  return "track must be a number from 0 to 255, not '" + text + "'";
}

// What every stamp passes on to the song pass.
TPassOptions PassOptions(const TStampOptions& options) {
  TPassOptions pass;
  pass.paths = options.files;
  pass.recursive = options.recursive;
  pass.dryRun = options.dryRun;
  pass.jobs = options.jobs;
  pass.noHistory = options.noHistory;
  pass.command = "stamp";
  pass.accentedLetters = options.accentedLetters;
  return pass;
}

}  // namespace

void AddStampCommand(CLI::App& app, TCliContext& context) {
  auto options = std::make_shared<TStampOptions>();
  CLI::App* command = app.add_subcommand("stamp", "Write tag fields into song files, keeping the others");
  // Plain text options whose presence is looked at after parsing, so that "--title ''" counts as
  // given (and clears the title).
  struct TField {
    CLI::Option* option;
    std::shared_ptr<std::string> text;
    std::optional<std::string> TStampOptions::*member;
  };
  auto fields = std::make_shared<std::vector<TField>>();
  const auto field = [&](const char* name, std::optional<std::string> TStampOptions::*member, const char* what) {
    auto text = std::make_shared<std::string>();
    fields->push_back({command->add_option(name, *text, what), text, member});
  };
  field("--artist", &TStampOptions::artist, "Artist");
  field("--title", &TStampOptions::title, "Title");
  field("--album", &TStampOptions::album, "Album");
  field("--year", &TStampOptions::year, "Year");
  fields->back().option->check([](const std::string& text) { return YearProblem(text); });
  field("--comment", &TStampOptions::comment, "Comment");
  field("--genre", &TStampOptions::genre, "Genre name");
  field("--track", &TStampOptions::track, "Track number");
  fields->back().option->check(CheckTrack);
  command->add_flag("--recognized", options->recognized,
                    "Write each song's recognised details (Stamp ID3 Tags); PATH may name folders");
  command->add_flag("--recursive", options->recursive, "With --recognized: include the songs of subfolders");
  command->add_flag("--dry-run", options->dryRun, "Change nothing on disk");
  AddJobsOption(*command, options->jobs);
  AddNoHistoryOption(*command, options->noHistory);
  AddAccentedLettersOption(*command, options->accentedLetters);
  AddNameOptions(*command, options->names);
  command->add_option("FILE", options->files, "Song files (with --recognized: files and folders)")->required();
  command->callback([options, fields, &context] {
    for (const TField& f : *fields) {
      if (f.option->count() > 0) (*options).*(f.member) = *f.text;
    }
    if (!options->recognized) {
      if (options->recursive) throw CLI::ValidationError("--recursive", "goes with --recognized");
      TPassOptions pass = PassOptions(*options);
      pass.recursive = false;
      pass.filesOnly = true;
      // The plan goes only by the tags read under each song's lock.
      TSongPlanner planner{TTagsNeeded::Yes, [options](const TSongFile&, const TID3Info& tags) {
                             return StampGivenFields(*options, tags);
                           }};
      planner.ListedDetails = TListedDetails::Unused;
      RunSongPass(pass, planner, context);
      return;
    }
    for (const TField& f : *fields) {
      if (f.option->count() > 0) throw CLI::ValidationError(f.option->get_name(), "cannot go with --recognized");
    }
    TPassOptions pass = PassOptions(*options);
    pass.names = options->names;
    RunSongPass(pass, CatalogueCommand(TCommandId::StampRecognized).Planner, context);
  });
}

}  // namespace tagwright::cli
