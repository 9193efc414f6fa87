// A temporary directory removed with everything in it when it goes away.
#pragma once

#include <filesystem>
#include <string>

namespace norvane::testing {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  [[nodiscard]] const std::filesystem::path& path() const noexcept { return path_; }
  [[nodiscard]] std::string str() const { return path_.string(); }
  [[nodiscard]] std::string operator/(std::string_view name) const {
    return (path_ / name).string();
  }

 private:
  std::filesystem::path path_;
};

// Points HOME and XDG_DATA_HOME at fresh folders for the life of the object,
// so that the per-user key store of the tests never touches the real one, and
// restores them afterwards. On Windows it changes nothing: data protection
// there is the account's own.
class ScopedUserHome {
 public:
  ScopedUserHome();
  ~ScopedUserHome();
  ScopedUserHome(const ScopedUserHome&) = delete;
  ScopedUserHome& operator=(const ScopedUserHome&) = delete;

  [[nodiscard]] const TempDir& dir() const noexcept { return dir_; }

 private:
  TempDir dir_;
  std::string old_home_, old_xdg_;
  bool had_home_, had_xdg_;
};

// Points NORVANE_DATA_DIR at `base` for the life of the object, and removes
// it afterwards.
class ScopedDataDir {
 public:
  explicit ScopedDataDir(const std::filesystem::path& base);
  ~ScopedDataDir();
  ScopedDataDir(const ScopedDataDir&) = delete;
  ScopedDataDir& operator=(const ScopedDataDir&) = delete;
};

}  // namespace norvane::testing
