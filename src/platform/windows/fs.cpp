#include "platform/fs.h"

#include <filesystem>
#include <system_error>

#include "platform/windows/wide.h"

namespace norvane::platform {

bool create_private_directories(const std::string& path) {
  if (path.empty()) return false;
  std::error_code ec;
  const std::filesystem::path wide(to_wide(path));
  std::filesystem::create_directories(wide, ec);
  return std::filesystem::is_directory(wide, ec);
}

std::optional<std::uint64_t> file_size(const std::string& path) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(std::filesystem::path(to_wide(path)), ec);
  if (ec) return std::nullopt;
  return static_cast<std::uint64_t>(size);
}

}  // namespace norvane::platform
