#include "support/temp_dir.h"

#include <cstdlib>
#include <stdexcept>
#include <system_error>

namespace norvane::testing {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "norvane-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  // Tests take permissions away; give them back so that removal succeeds.
  for (auto it = std::filesystem::recursive_directory_iterator(
           path_, std::filesystem::directory_options::skip_permission_denied, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec) && !it->is_symlink(ec)) {
      std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, ec);
    }
  }
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

namespace {
bool save(const char* name, std::string& out) {
  const char* v = std::getenv(name);
  if (v == nullptr) return false;
  out = v;
  return true;
}
void restore(const char* name, bool had, const std::string& value) {
  if (had) {
    ::setenv(name, value.c_str(), 1);
  } else {
    ::unsetenv(name);
  }
}
}  // namespace

ScopedUserHome::ScopedUserHome()
    : had_home_(save("HOME", old_home_)), had_xdg_(save("XDG_DATA_HOME", old_xdg_)) {
  std::filesystem::create_directories(dir_.path() / "home");
  ::setenv("HOME", (dir_.path() / "home").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (dir_.path() / "xdg").c_str(), 1);
}

ScopedUserHome::~ScopedUserHome() {
  restore("HOME", had_home_, old_home_);
  restore("XDG_DATA_HOME", had_xdg_, old_xdg_);
}

}  // namespace norvane::testing
