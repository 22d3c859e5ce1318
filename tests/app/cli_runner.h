// Runs the real tagwright-cli executable and gathers what it printed.
#pragma once

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace tagwright::testing {

struct TCliRun {
  int exitStatus = -1;
  std::string out;
  std::string err;
  // Each line of standard output parsed as one JSON object.
  std::vector<nlohmann::json> Lines() const;
};

TCliRun RunCli(const std::vector<std::string>& arguments);

// A test's folder of songs and a history of its own beside it, which every run records into.
class TCliWithHistory : public ::testing::Test {
 protected:
  TCliRun Run(std::vector<std::string> arguments) const {
    arguments.insert(arguments.begin(), {"--history", history});
    return RunCli(arguments);
  }

  TTempFolder folder;
  TTempFolder state;
  std::string history = state / "history.sqlite3";
};

// The same with file permissions holding for the program even when the tests run as root (which
// may otherwise read and write any file): the program runs without the capabilities that bypass them.
TCliRun RunCliHeldToPermissions(const std::vector<std::string>& arguments);

}  // namespace tagwright::testing
