#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"
#include "commands/command_catalogue.h"

namespace tagwright::cli {

// cover --set FILE | --from-folder [--add] | --remove [--all] | --save NAME: the cover command of
// the catalogue over the songs of files and folders, and the saving of their covers next to them.
void AddCoverCommand(CLI::App& app, TCliContext& context, const TCatalogueCommand& catalogued);

}  // namespace tagwright::cli
