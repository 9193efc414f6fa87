#include "platform/known_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "platform/env.h"
#include "platform/path.h"
#include "platform/posix/known_folder.h"

namespace norvane::platform {

namespace {

bool is_absolute(const std::string& path) {
  return !path.empty() && path.front() == '/';
}

std::optional<std::string> password_database_home() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry{};
  passwd* result = nullptr;
  while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == ERANGE) {
    if (buffer.size() > (1U << 20)) return std::nullopt;
    buffer.resize(buffer.size() * 2);
  }
  if (result == nullptr || result->pw_dir == nullptr) return std::nullopt;
  std::string home(result->pw_dir);
  if (!is_absolute(home)) return std::nullopt;
  return home;
}

}  // namespace

std::optional<std::string> xdg_data_home() {
  if (auto xdg = get_env("XDG_DATA_HOME"); xdg && is_absolute(*xdg)) return xdg;
  if (auto home = get_env("HOME"); home && is_absolute(*home)) {
    return join_path(*home, ".local/share");
  }
  if (auto home = password_database_home()) return join_path(*home, ".local/share");
  return std::nullopt;
}

std::optional<std::string> local_app_data_folder() {
  return xdg_data_home();
}

}  // namespace norvane::platform
