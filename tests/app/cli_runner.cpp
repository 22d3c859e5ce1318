#include "cli_runner.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "support/temp_folder.h"

namespace tagwright::testing {

std::vector<nlohmann::json> TCliRun::Lines() const {
  std::vector<nlohmann::json> lines;
  std::istringstream stream(out);
  std::string line;
  while (std::getline(stream, line)) lines.push_back(nlohmann::json::parse(line));
  return lines;
}

namespace {

TCliRun Spawn(std::vector<std::string> argv) {
  // The tests keep a history of their own, never the user's; its folder goes when the test program
  // ends.
  static const TTempFolder historyFolder;
  if (std::getenv("TAGWRIGHT_HISTORY") == nullptr)
    ::setenv("TAGWRIGHT_HISTORY", (historyFolder / "history.sqlite3").c_str(), 1);
  TTempFolder outputs;
  const std::string outPath = outputs / "out";
  const std::string errPath = outputs / "err";

  std::vector<char*> raw;
  raw.reserve(argv.size() + 1);
  for (std::string& argument : argv) raw.push_back(argument.data());
  raw.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) throw std::runtime_error("cannot start tagwright-cli");

  int status = 0;
  waitpid(pid, &status, 0);
  TCliRun run;
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.out = ReadWholeFile(outPath);
  run.err = ReadWholeFile(errPath);
  return run;
}

}  // namespace

TCliRun RunCli(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {TAGWRIGHT_CLI};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return Spawn(std::move(argv));
}

TCliRun RunCliHeldToPermissions(const std::vector<std::string>& arguments) {
  if (::geteuid() != 0) return RunCli(arguments);
  std::vector<std::string> argv = {"/usr/bin/setpriv", "--inh-caps=-all",
                                   "--bounding-set=-dac_override,-dac_read_search", TAGWRIGHT_CLI};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return Spawn(std::move(argv));
}

}  // namespace tagwright::testing
