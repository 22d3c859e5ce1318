#include "app/cli/stamp_command.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/cli/song_pass.h"
#include "commands/command_catalogue.h"
#include "songs/song_edits.h"
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
  TFieldEdits fields;
};

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
  pass.command = CatalogueCommand(TCommandId::StampGivenFields).CliName;
  pass.accentedLetters = options.accentedLetters;
  return pass;
}

}  // namespace

void AddStampCommand(CLI::App& app, TCliContext& context) {
  auto options = std::make_shared<TStampOptions>();
  const TCatalogueCommand& stamp = CatalogueCommand(TCommandId::StampGivenFields);
  CLI::App* command = app.add_subcommand(stamp.CliName, stamp.CliDescription);
  // Plain text options whose presence is looked at after parsing, so that "--title ''" counts as
  // given (and clears the title).
  struct TField {
    CLI::Option* option;
    std::shared_ptr<std::string> text;
    TSongField songField;
  };
  auto fields = std::make_shared<std::vector<TField>>();
  const auto field = [&](const char* name, TSongField songField, const char* what) {
    auto text = std::make_shared<std::string>();
    fields->push_back({command->add_option(name, *text, what), text, songField});
  };
  field("--artist", TSongField::Artist, "Artist");
  field("--title", TSongField::Title, "Title");
  field("--album", TSongField::Album, "Album");
  field("--year", TSongField::Year, "Year");
  fields->back().option->check([](const std::string& text) { return YearProblem(text); });
  field("--comment", TSongField::Comment, "Comment");
  field("--genre", TSongField::Genre, "Genre name");
  field("--track", TSongField::Track, "Track number");
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
      if (f.option->count() > 0) options->fields[static_cast<std::size_t>(f.songField)] = *f.text;
    }
    if (!options->recognized) {
      if (options->recursive) throw CLI::ValidationError("--recursive", "goes with --recognized");
      TPassOptions pass = PassOptions(*options);
      pass.recursive = false;
      pass.filesOnly = true;
      TCommandInput input;
      input.Fields = options->fields;
      RunSongPass(pass, TCommandId::StampGivenFields, std::move(input), context);
      return;
    }
    for (const TField& f : *fields) {
      if (f.option->count() > 0) throw CLI::ValidationError(f.option->get_name(), "cannot go with --recognized");
    }
    TPassOptions pass = PassOptions(*options);
    pass.names = options->names;
    RunSongPass(pass, TCommandId::StampRecognized, {}, context);
  });
}

}  // namespace tagwright::cli
