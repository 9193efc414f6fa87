#include "support/fs_calls.h"

#include <fcntl.h>
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
  std::mutex mutex;
  std::vector<std::string> calls;
  int fail_directory_sync = 0;
};

std::atomic<Log*> active{nullptr};

void record(Log& log, std::string call) {
  const std::scoped_lock lock(log.mutex);
  log.calls.push_back(std::move(call));
}

std::string path_of(int fd) {
  std::array<char, 4096> buffer{};
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), buffer.data(), buffer.size());
  if (n <= 0) return "(unknown)";
  return {buffer.data(), static_cast<std::size_t>(n)};
}

}  // namespace

FsCallLog::FsCallLog(int fail_directory_sync) {
  auto* log = new Log;
  log->fail_directory_sync = fail_directory_sync;
  delete active.exchange(log);
}

FsCallLog::~FsCallLog() {
  delete active.exchange(nullptr);
}

std::vector<std::string> FsCallLog::calls() const {
  Log* log = active.load();
  if (log == nullptr) return {};
  const std::scoped_lock lock(log->mutex);
  return log->calls;
}

}  // namespace norvane::testing

using norvane::testing::active;

extern "C" int __wrap_mkdir(const char* path, mode_t mode) {
  const int result = __real_mkdir(path, mode);
  const int error = errno;
  if (auto* log = active.load(); log != nullptr && result == 0) {
    std::error_code ec;
    norvane::testing::record(*log, "mkdir " + std::filesystem::absolute(path, ec).string());
  }
  errno = error;
  return result;
}

extern "C" int __wrap_fsync(int fd) {
  struct stat st {};
  auto* log = active.load();
  if (log == nullptr || ::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return __real_fsync(fd);
  if (log->fail_directory_sync != 0) {
    errno = log->fail_directory_sync;
    return -1;
  }
  const int result = __real_fsync(fd);
  const int error = errno;
  if (result == 0) norvane::testing::record(*log, "fsync " + norvane::testing::path_of(fd));
  errno = error;
  return result;
}
