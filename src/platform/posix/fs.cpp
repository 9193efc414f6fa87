#include "platform/fs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace norvane::platform {

namespace {

bool is_directory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

[[nodiscard]] std::unexpected<std::error_code> failure(int error) {
  return std::unexpected(std::make_error_code(static_cast<std::errc>(error)));
}

// After mkdir failed with EEXIST: whether what is there will do.
[[nodiscard]] std::expected<void, std::error_code> existing_directory(const std::string& path) {
  if (is_directory(path)) return {};
  return failure(ENOTDIR);
}

// The folder that holds `path` as `path` names it: everything before its last
// component, without the slashes between. Empty when `path` names none (one
// component, or one in the root).
[[nodiscard]] std::string named_parent(const std::string& path) {
  const std::size_t end = path.find_last_not_of('/');
  if (end == std::string::npos) return {};
  const std::size_t slash = path.find_last_of('/', end);
  if (slash == std::string::npos) return {};
  const std::size_t parent_end = path.find_last_not_of('/', slash);
  if (parent_end == std::string::npos) return {};
  return path.substr(0, parent_end + 1);
}

// Makes the entry of the directory just created at `path` durable, so that a
// power cut cannot keep what is put inside it while losing the folder that
// names it: fsyncs the folder that holds it.
[[nodiscard]] std::expected<void, std::error_code> sync_parent(const std::string& path) {
  const std::string named = named_parent(path);
  const char* parent = !named.empty() ? named.c_str() : path.starts_with('/') ? "/" : ".";
  const int fd = ::open(parent, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return failure(errno);
  const bool synced = ::fsync(fd) == 0;
  const int error = errno;
  ::close(fd);
  if (!synced) return failure(error);
  return {};
}

}  // namespace

std::expected<void, std::error_code> create_private_directories(const std::string& path) {
  if (path.empty()) return failure(ENOENT);
  // The common case is one call: the directory or its parent exists already.
  if (::mkdir(path.c_str(), 0700) == 0) return sync_parent(path);
  if (errno == EEXIST) return existing_directory(path);
  if (errno != ENOENT) return failure(errno);
  // A parent is missing: create the parents first, each with mode 0700.
  const std::string parent = named_parent(path);
  if (parent.empty()) return failure(ENOENT);
  if (auto made = create_private_directories(parent); !made) return made;
  if (::mkdir(path.c_str(), 0700) == 0) return sync_parent(path);
  if (errno == EEXIST) return existing_directory(path);
  return failure(errno);
}

std::optional<std::uint64_t> file_size(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

}  // namespace norvane::platform
