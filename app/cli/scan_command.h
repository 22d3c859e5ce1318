#pragma once

#include <CLI/CLI.hpp>

#include "app/cli/cli_context.h"

namespace tagwright::cli {

// tagwright-cli scan [--recursive] [--no-tags] PATH...: the details of each song, one JSON object per
// line, in file name order.
void AddScanCommand(CLI::App& app, TCliContext& context);

}  // namespace tagwright::cli
