#include "app/cli/cover_command.h"

#include <memory>
#include <string>
#include <utility>

#include "app/cli/json_line.h"
#include "app/cli/song_pass.h"
#include "commands/cover_export.h"
#include "text/letters.h"

namespace tagwright::cli {

namespace {

struct TCoverOptions {
  std::string setFile;
  bool fromFolder = false;
  bool add = false;
  bool remove = false;
  bool all = false;
  std::string saveName;
  unsigned largestMb = 10;
};

// Saves each song's cover next to it, one JSON line a song: "saved" with saved_file, or "skipped"
// or "failed" with the reason. A song that cannot be read makes the run end with status 1.
void RunCoverSave(const TPassOptions& options, const std::string& name, TCliContext& context) {
  const TListedSongs listed = ListPassSongs(options, LettersOf(options.accentedLetters), context);
  const TPassMode mode = options.dryRun ? TPassMode::DryRun : TPassMode::Apply;
  for (const TSongFile* song : listed.Songs) {
    const TCoverSave save = SaveSongCover(song->FileName(), name, mode);
    TJsonLine line;
    line.Add("file", song->FileName());
    if (!save.Failure) {
      context.ReportFailure(FailureText(save.Failure));
      line.Add("action", "failed").Add("reason", FailureText(save.Failure));
    } else if (!save.Skip.empty()) {
      line.Add("action", "skipped").Add("reason", save.Skip);
    } else {
      line.Add("action", "saved").Add("saved_file", save.SavedFile);
    }
    context.out << line.Text() << '\n';
  }
  context.out << std::flush;
}

// The change the options ask for; a usage error when they ask for none, or for more than one.
TCoverInput CoverInputOf(const TCoverOptions& options) {
  const int asked = static_cast<int>(!options.setFile.empty()) + static_cast<int>(options.fromFolder) +
                    static_cast<int>(options.remove) + static_cast<int>(!options.saveName.empty());
  if (asked != 1) throw CLI::ValidationError("give one of --set FILE, --from-folder, --remove or --save NAME");
  if (options.all && !options.remove) throw CLI::ValidationError("--all", "goes with --remove");
  TCoverInput input;
  input.Limit = std::uint64_t{options.largestMb} * 1'000'000;
  if (options.remove) {
    input.Action = options.all ? TPictureAction::RemoveAll : TPictureAction::RemoveFrontCover;
  } else if (!options.saveName.empty()) {
    input.Action = TPictureAction::Keep;
  } else {
    input.Action = options.add ? TPictureAction::AddFrontCover : TPictureAction::SetFrontCover;
    input.PictureFile = options.setFile;
  }
  if (options.add && !input.TakesAPicture()) throw CLI::ValidationError("--add", "goes with --set or --from-folder");
  return input;
}

}  // namespace

void AddCoverCommand(CLI::App& app, TCliContext& context, const TCatalogueCommand& catalogued) {
  auto pass = std::make_shared<TPassOptions>();
  auto options = std::make_shared<TCoverOptions>();
  pass->command = catalogued.CliName;
  CLI::App* command = app.add_subcommand(catalogued.CliName, catalogued.CliDescription);
  command
      ->add_option("--set", options->setFile,
                   "Make this JPEG or PNG picture each song's front cover, in place of the ones it has")
      ->type_name("FILE");
  command->add_flag("--from-folder", options->fromFolder,
                    "Make the picture of each song's folder its front cover (cover.jpg, folder.jpg, front.jpg, "
                    "else the first .png)");
  command->add_flag("--add", options->add,
                    "With --set or --from-folder: add the picture beside the song's pictures, replacing none");
  command->add_flag("--remove", options->remove, "Remove each song's front cover");
  command->add_flag("--all", options->all, "With --remove: remove every picture of each song");
  command
      ->add_option("--save", options->saveName,
                   "Save each song's cover next to it as NAME, with .jpg or .png as its bytes say, never "
                   "replacing a file")
      ->type_name("NAME");
  command->add_option("--max-size", options->largestMb, "The largest picture taken, in MB (default 10)")
      ->type_name("MB")
      ->check(CLI::Range(1U, 16U));
  AddPassOptions(*command, *pass);
  command->callback([pass, options, &context] {
    const TCoverInput input = CoverInputOf(*options);
    if (!options->saveName.empty()) {
      if (const std::string problem = CoverFileNameProblem(options->saveName); !problem.empty()) {
        throw CLI::ValidationError(problem);
      }
      RunCoverSave(*pass, options->saveName, context);
      return;
    }
    TCommandInput given;
    given.Cover = input;
    RunSongPass(*pass, TCommandId::ChangeCover, std::move(given), context);
  });
}

}  // namespace tagwright::cli
