#include "platform/fs.h"

#include <sys/stat.h>

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

}  // namespace

std::expected<void, std::error_code> create_private_directories(const std::string& path) {
  if (path.empty()) return failure(ENOENT);
  // The common case is one call: the directory or its parent exists already.
  if (::mkdir(path.c_str(), 0700) == 0) return {};
  if (errno == EEXIST) return existing_directory(path);
  if (errno != ENOENT) return failure(errno);
  // A parent is missing: create the parents first, each with mode 0700.
  const std::size_t end = path.find_last_not_of('/');
  if (end == std::string::npos) return failure(ENOENT);
  const std::size_t slash = path.find_last_of('/', end);
  if (slash == std::string::npos) return failure(ENOENT);
  const std::size_t parent_end = path.find_last_not_of('/', slash);
  if (parent_end == std::string::npos) return failure(ENOENT);  // the parent is the root
  if (auto parent = create_private_directories(path.substr(0, parent_end + 1)); !parent) {
    return parent;
  }
  if (::mkdir(path.c_str(), 0700) == 0) return {};
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
