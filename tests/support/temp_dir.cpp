#include "support/temp_dir.h"

#ifdef _WIN32
#include "platform/windows/win32.h"
#endif

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <system_error>

namespace norvane::testing {

TempDir::TempDir() {
#ifdef _WIN32
  // A fresh name; the profile's temporary folder is the user's own already.
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto name = "norvane-test-" + std::to_string(random()) + std::to_string(random());
    std::filesystem::path candidate = std::filesystem::temp_directory_path() / name;
    if (std::filesystem::create_directory(candidate)) {
      path_ = std::move(candidate);
      return;
    }
  }
  throw std::runtime_error("no fresh temporary folder");
#else
  std::string tmpl = (std::filesystem::temp_directory_path() / "norvane-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = tmpl;
#endif
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

#ifdef _WIN32

// Data protection belongs to the Windows account; there is no key store to
// redirect.
ScopedUserHome::ScopedUserHome() : had_home_(false), had_xdg_(false) {}
ScopedUserHome::~ScopedUserHome() = default;

ScopedDataDir::ScopedDataDir(const std::filesystem::path& base) {
  SetEnvironmentVariableW(L"NORVANE_DATA_DIR", base.wstring().c_str());
}

ScopedDataDir::~ScopedDataDir() {
  SetEnvironmentVariableW(L"NORVANE_DATA_DIR", nullptr);
}

#else

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

ScopedDataDir::ScopedDataDir(const std::filesystem::path& base) {
  ::setenv("NORVANE_DATA_DIR", base.c_str(), 1);
}

ScopedDataDir::~ScopedDataDir() {
  ::unsetenv("NORVANE_DATA_DIR");
}

#endif

}  // namespace norvane::testing
