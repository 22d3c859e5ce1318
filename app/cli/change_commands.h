#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace tagwright::cli {

// rename (--pattern), filename-as-title, cleanup, hands-free, clear FIELD, tag-from-name, number and
// cover: the window's commands over the songs of files and folders.
void AddChangeCommands(CLI::App& app, TCliContext& context);

}  // namespace tagwright::cli
