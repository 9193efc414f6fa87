// The mkdir and fsync calls that the library makes, seen through link-time
// wrappers: a test binary set up with norvane_watch_fs_calls()
// (tests/CMakeLists.txt) routes every such call of its own objects and of the
// library's archive through fs_calls.cpp. Linux only.
#pragma once

#include <string>
#include <vector>

namespace norvane::testing {

// While it lives, records each mkdir that succeeds as "mkdir <path>" and each
// fsync of a directory as "fsync <path>", absolute paths, in call order. With
// a non-zero `fail_directory_sync`, every fsync of a directory fails with
// that errno instead (and is not recorded).
class FsCallLog {
 public:
  explicit FsCallLog(int fail_directory_sync = 0);
  ~FsCallLog();
  FsCallLog(const FsCallLog&) = delete;
  FsCallLog& operator=(const FsCallLog&) = delete;

  [[nodiscard]] std::vector<std::string> calls() const;
};

}  // namespace norvane::testing
