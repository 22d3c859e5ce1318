// What every command of tagwright-cli shares: where it writes, and the exit status it leaves.
#pragma once

#include <iostream>
#include <string>
#include <string_view>

#include "files/result.h"

namespace tagwright::cli {

enum TExitStatus { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

struct TCliContext {
  std::ostream& out = std::cout;
  std::ostream& err = std::cerr;
  int exitStatus = kExitOk;

  // Reports a file or folder that could not be handled; the run goes on and ends with status 1.
  void ReportFailure(std::string_view message) {
    err << "tagwright-cli: " << message << '\n';
    exitStatus = kExitFailure;
  }
};

// A failure in one line: what could not be done to which file, and the system's words for why
// ("Cannot write file a.mp3 (File name too long)").
inline std::string FailureText(const TResult& failure) {
  if (!failure.Error()) return failure.Describe();
  return failure.Describe() + " (" + failure.Error().message() + ")";
}

}  // namespace tagwright::cli
