#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace tagwright::cli {

// tagwright-cli stamp [--artist T] [--title T] [--album T] [--year T] [--comment T] [--genre T]
// [--track T] FILE...: writes the given fields into each file's tags and keeps the others; an
// option given an empty text clears its field. Files that cannot be written are named on stderr,
// left alone, and make the exit status 1.
// tagwright-cli stamp --recognized [--recursive] [--dry-run] PATH...: writes each song's recognised
// details into its tags, one JSON object per song, as the other song commands do.
void AddStampCommand(CLI::App& app, TCliContext& context);

}  // namespace tagwright::cli
