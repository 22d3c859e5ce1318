// history: the entries of the history as JSON Lines, newest first. undo: takes an entry back.
#pragma once

#include "app/cli/cli_context.h"

namespace CLI {
class App;
}

namespace tagwright::cli {

void AddHistoryCommands(CLI::App& app, TCliContext& context);

}  // namespace tagwright::cli
