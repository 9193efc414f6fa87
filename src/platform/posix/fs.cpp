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

}  // namespace

bool create_private_directories(const std::string& path) {
  if (path.empty()) return false;
  // The common case is one call: the directory or its parent exists already.
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  if (errno == EEXIST) return is_directory(path);
  if (errno != ENOENT) return false;
  // A parent is missing: create the parents first, each with mode 0700.
  const std::size_t end = path.find_last_not_of('/');
  if (end == std::string::npos) return false;
  const std::size_t slash = path.find_last_of('/', end);
  if (slash == std::string::npos) return false;
  const std::size_t parent_end = path.find_last_not_of('/', slash);
  if (parent_end == std::string::npos) return false;  // the parent is the root
  if (!create_private_directories(path.substr(0, parent_end + 1))) return false;
  return ::mkdir(path.c_str(), 0700) == 0 || (errno == EEXIST && is_directory(path));
}

std::optional<std::uint64_t> file_size(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

}  // namespace norvane::platform
