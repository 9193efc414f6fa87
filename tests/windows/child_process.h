// Starting a Windows program as a child process with an environment of our
// choosing, and collecting what it wrote and how it ended.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace norvane::testing {

struct ChildResult {
  // The exit code; a crash shows as its exception code (0xC0000005 and so on).
  unsigned long exit_code = 0;
  std::string out;  // standard output, byte for byte
  std::string err;  // standard error, byte for byte
};

struct ChildOptions {
  // Variables to set (a value) or remove (nullopt), as UTF-16, so that a
  // value may hold what UTF-8 cannot (an unpaired surrogate). The rest of the
  // environment is the parent's.
  std::map<std::wstring, std::optional<std::wstring>> env;
  std::wstring working_dir;  // empty: the parent's
  // When set, the child's standard output instead of a pipe: an inheritable
  // handle, such as a screen buffer of this process's console, which the
  // child then shares. ChildResult::out stays empty.
  void* stdout_handle = nullptr;
};

// Runs `program` with `args` (quoted as the C runtime splits them), its
// standard input the NUL device, and waits for it. Throws when the child
// cannot be started.
[[nodiscard]] ChildResult run_child(const std::wstring& program,
                                    const std::vector<std::wstring>& args,
                                    const ChildOptions& options = {});

// A path that the build handed over as a Linux path when cross-building
// (/work/... under Wine) as the path Windows programs see; other paths as
// they are.
[[nodiscard]] std::wstring windows_path(const std::string& build_path);

}  // namespace norvane::testing
