// Running a program as a child process and collecting what it printed.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace norvane::testing {

struct ProcessResult {
  int exit_status = -1;  // -1 when the child did not exit normally
  int signal = 0;        // the signal that ended it, if any
  std::string out;
  std::string err;
};

struct ProcessOptions {
  // Variables to set (a value) or remove (nullopt) in the child's environment,
  // which is otherwise the parent's.
  std::map<std::string, std::optional<std::string>> env;
  std::string working_dir;  // empty: the parent's
  // When set (the parent must be root), the child drops every group and
  // becomes this user and group before it runs the program.
  std::optional<unsigned> run_as_user;
};

// Runs `argv` (argv[0] is the program's path) and waits for it.
[[nodiscard]] ProcessResult run_process(const std::vector<std::string>& argv,
                                        const ProcessOptions& options = {});

}  // namespace norvane::testing
