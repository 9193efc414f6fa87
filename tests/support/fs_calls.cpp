#include "support/fs_calls.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <mutex>
#include <system_error>

extern "C" {
int __real_mkdir(const char* path, mode_t mode);
int __real_fsync(int fd);
int __wrap_mkdir(const char* path, mode_t mode);
int __wrap_fsync(int fd);
}

namespace norvane::testing {

namespace {

struct Log {
  std::atomic<bool> on{false};
  std::atomic<int> fail_directory_sync{0};
  std::mutex mutex;
  std::vector<std::string> calls;

  void record(std::string call) {
    const std::scoped_lock lock(mutex);
    calls.push_back(std::move(call));
  }
};

Log the_log;

std::string path_of(int fd) {
  std::array<char, 4096> buffer{};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  if (n <= 0) return "(unknown)";
  return {buffer.data(), static_cast<std::size_t>(n)};
}

}  // namespace

FsCallLog::FsCallLog(int fail_directory_sync) {
  {
    const std::scoped_lock lock(the_log.mutex);
    the_log.calls.clear();
  }
  the_log.fail_directory_sync = fail_directory_sync;
  the_log.on = true;
}

FsCallLog::~FsCallLog() {
  the_log.on = false;
}

std::vector<std::string> FsCallLog::calls() const {
  const std::scoped_lock lock(the_log.mutex);
  return the_log.calls;
}

}  // namespace norvane::testing

using norvane::testing::path_of;
using norvane::testing::the_log;

extern "C" int __wrap_mkdir(const char* path, mode_t mode) {
  const int result = __real_mkdir(path, mode);
  const int error = errno;
  if (the_log.on && result == 0) {
    std::error_code ec;
    the_log.record("mkdir " + std::filesystem::absolute(path, ec).string());
  }
  errno = error;
  return result;
}

extern "C" int __wrap_fsync(int fd) {
  struct stat st {};
  if (!the_log.on || ::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return __real_fsync(fd);
  if (const int fail = the_log.fail_directory_sync; fail != 0) {
    errno = fail;
    return -1;
  }
  const int result = __real_fsync(fd);
  const int error = errno;
  if (result == 0) the_log.record("fsync " + path_of(fd));
  errno = error;
  return result;
}
