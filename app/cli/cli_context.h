// What every command of tagwright-cli shares: where it writes, and the exit status it leaves.
#pragma once

#include <iostream>
#include <memory>
#include <string>
#include <string_view>

#include "files/result.h"

namespace tagwright {
class THistory;
}

namespace tagwright::cli {

enum TExitStatus { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

struct TCliContext {
  std::ostream& out = std::cout;
  std::ostream& err = std::cerr;
  int exitStatus = kExitOk;
  std::string historyPath;  // --history; empty for the default place
  // The command changes nothing (scan, tags, every --dry-run): the history is only looked at, never
  // repaired or waited for.
  bool historyReadOnly = false;
  // The command may change songs: what an interrupted run left is repaired first (history --forget
  // writes the history, and only says that a repair is pending).
  bool historyRepaired = true;

  TCliContext();
  ~TCliContext();

  // Reports a file or folder that could not be handled; the run goes on and ends with status 1.
  void ReportFailure(std::string_view message) {
    err << "tagwright-cli: " << message << '\n';
    exitStatus = kExitFailure;
  }

  // The history, opened once; on its first opening, what an interrupted run left is repaired and
  // said on stderr (read-only: a pending repair is only said). Null, with the reason in
  // historyFailure, when it cannot be opened, and read-only also when there is none yet
  // (historyAbsent).
  THistory* History();
  TResult historyFailure;
  bool historyAbsent = false;
  // Why the history cannot be opened, in words for the user.
  std::string HistoryFailureText() const;

 private:
  std::unique_ptr<THistory> history_;
  bool historyOpened_ = false;
};

// A failure in one line: what could not be done to which file, and the system's words for why
// ("Cannot write file a.mp3 (File name too long)").
inline std::string FailureText(const TResult& failure) { return failure.DescribeWithError(); }

}  // namespace tagwright::cli
