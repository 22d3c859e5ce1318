// Runs the real tagwright-cli executable and gathers what it printed.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace tagwright::testing {

struct TCliRun {
  int exitStatus = -1;
  std::string out;
  std::string err;
  // Each line of standard output parsed as one JSON object.
  std::vector<nlohmann::json> Lines() const;
};

TCliRun RunCli(const std::vector<std::string>& arguments);

}  // namespace tagwright::testing
