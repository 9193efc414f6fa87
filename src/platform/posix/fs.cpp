#include "platform/fs.h"

#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

namespace norvane::platform {

bool create_private_directories(const std::string& path) {
  if (path.empty()) return false;
  // Walk the components from the root, creating each missing one with 0700.
  std::string prefix;
  std::size_t pos = 0;
  while (pos <= path.size()) {
    const std::size_t next = path.find('/', pos);
    const std::size_t end = next == std::string::npos ? path.size() : next;
    prefix.assign(path, 0, end);
    if (!prefix.empty() && end > pos) {
      if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    if (next == std::string::npos) break;
    pos = next + 1;
  }
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::uint64_t> file_size(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(path, ec);
  if (ec) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

}  // namespace norvane::platform
