// tagwright-cli: the song core for scripts and large libraries. Output is JSON Lines on stdout,
// errors go to stderr. Exit status: 0 all went well, 1 a file or folder could not be handled,
// 2 the command line could not be understood.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>

#include "app/cli/change_commands.h"
#include "app/cli/cli_context.h"
#include "app/cli/history_commands.h"
#include "app/cli/scan_command.h"
#include "app/cli/stamp_command.h"
#include "app/cli/tags_command.h"
#include "app/memory_reuse.h"
#include "app/open_files.h"
#include "tagwright/version.h"

namespace {

// The first word of the command line where a command belongs, when it names none; empty otherwise.
// Only --history takes a value before the command.
std::string UnknownCommand(const CLI::App& app, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (word == "--history") {
      ++i;
      continue;
    }
    if (word.starts_with('-')) continue;
    for (const CLI::App* command : app.get_subcommands({})) {
      if (command->check_name(std::string(word))) return {};
    }
    return std::string(word);
  }
  return {};
}

int Run(int argc, char** argv) {
  using namespace tagwright::cli;
  TCliContext context;
  CLI::App app{std::string(tagwright::kProgramNameAndVersion) + " - tidy a collection of MP3 files", "tagwright-cli"};
  app.require_subcommand(1);
  app.set_version_flag("--version", tagwright::kProgramNameAndVersion, "Print the program's name and version and exit");
  AddScanCommand(app, context);
  AddChangeCommands(app, context);
  AddTagsCommand(app, context);
  AddStampCommand(app, context);
  AddHistoryCommands(app, context);

  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForAllHelp& help) {
    return app.exit(help);
  } catch (const CLI::CallForVersion& version) {
    return app.exit(version);
  } catch (const CLI::ParseError& error) {
    if (const std::string unknown = UnknownCommand(app, argc, argv); !unknown.empty()) {
      std::cerr << "tagwright-cli: unknown command '" << unknown << "'; see tagwright-cli --help\n\n" << app.help();
      return kExitUsage;
    }
    std::cerr << "tagwright-cli: " << error.what() << "\n\n" << app.help();
    return kExitUsage;
  }
  return context.exitStatus;
}

}  // namespace

int main(int argc, char** argv) {
  tagwright::KeepFreedMemory();
  tagwright::AllowOpenFilesForBatches();
  // What no command expected (memory running out, say) ends the run with a word, not an abort.
  try {
    return Run(argc, argv);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "tagwright-cli: %s\n", error.what());
  } catch (...) {
    std::fputs("tagwright-cli: unexpected failure\n", stderr);
  }
  return tagwright::cli::kExitFailure;
}
