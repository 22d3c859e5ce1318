#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace tagwright::cli {

// tagwright-cli stamp [--artist T] [--title T] [--album T] [--year T] [--comment T] [--genre T]
// [--track T] FILE...: writes the given fields into each file's tags and keeps the others; an
// option given an empty text clears its field. Files that cannot be written are named on stderr,
// left alone, and make the exit status 1.
void AddStampCommand(CLI::App& app, TCliContext& context);

}  // namespace tagwright::cli
