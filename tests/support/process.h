// Running a program as a child process and collecting what it printed.
#pragma once

#include <cstddef>
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

// Where the child's standard output goes.
enum class Stdout {
  Captured,    // a pipe that the parent reads into ProcessResult::out
  DevFull,     // /dev/full: every write fails with ENOSPC
  Closed,      // no descriptor 1 at all
  ReaderGone,  // a pipe whose reading end is closed: writes fail with EPIPE or SIGPIPE
  Limited,     // a file that takes `stdout_limit` bytes, then fails with EFBIG; read into out
};

struct ProcessOptions {
  // Variables to set (a value) or remove (nullopt) in the child's environment,
  // which is otherwise the parent's.
  std::map<std::string, std::optional<std::string>> env;
  std::string working_dir;  // empty: the parent's
  // When set (the parent must be root), the child drops every group and
  // becomes this user and group before it runs the program.
  std::optional<unsigned> run_as_user;
  Stdout stdout_to = Stdout::Captured;
  std::size_t stdout_limit = 0;  // with Stdout::Limited
};

// Runs `argv` (argv[0] is the program's path) and waits for it.
[[nodiscard]] ProcessResult run_process(const std::vector<std::string>& argv,
                                        const ProcessOptions& options = {});

}  // namespace norvane::testing
