#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace tagwright::cli {

// tagwright-cli tags FILE...: the tag values of each file, one JSON object per line, as the tag
// access layer combines them ("has_tags", "title"... "track") and, under "id3v2", as the ID3v2
// reader alone finds them.
void AddTagsCommand(CLI::App& app, TCliContext& context);

}  // namespace tagwright::cli
