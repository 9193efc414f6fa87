// The key store of the POSIX data protection service: the user's one master
// key in <XDG data home>/data-protection/master.key.
//
// The key folder is 0700 and the key file 0600, both the user's, in a data
// home that only the user or root owns and only the owner may write to. A key
// file with the wrong permissions, owner, type, size or format is refused,
// never repaired or replaced: replacing it would make every blob protected
// under it unreadable. Failures are the Win32 codes that Windows reports for
// the like condition.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>

#include "platform/posix/protection_format.h"

namespace norvane::platform::posix {

// Where the user's key lives.
struct KeyStorePaths {
  std::string data_home;
  std::string dir;   // data_home/data-protection
  std::string file;  // dir/master.key
};

// The paths for the current XDG data home; nullopt when there is none.
[[nodiscard]] std::optional<KeyStorePaths> key_store_paths();

// What identifies one version of the key file; a change of any of these
// since the key was read means the file must be read and checked again.
struct FileIdentity {
  dev_t dev{};
  ino_t ino{};
  mode_t mode{};
  uid_t uid{};
  off_t size{};
  timespec mtime{};
  timespec ctime{};

  [[nodiscard]] static FileIdentity of(const struct stat& st) noexcept {
    return {st.st_dev, st.st_ino, st.st_mode, st.st_uid, st.st_size, st.st_mtim, st.st_ctim};
  }
  [[nodiscard]] bool operator==(const FileIdentity& o) const noexcept {
    return dev == o.dev && ino == o.ino && mode == o.mode && uid == o.uid && size == o.size &&
           mtime.tv_sec == o.mtime.tv_sec && mtime.tv_nsec == o.mtime.tv_nsec &&
           ctime.tv_sec == o.ctime.tv_sec && ctime.tv_nsec == o.ctime.tv_nsec;
  }
};

// The identity of the entry at `path` itself (a symbolic link is not
// followed); nullopt when it cannot be read.
[[nodiscard]] std::optional<FileIdentity> identity_at(const std::string& path) noexcept;

// The key and its identifier, wiped when destroyed.
struct MasterKey {
  std::array<std::uint8_t, protection::kKeyIdBytes> id{};
  std::array<std::uint8_t, protection::kKeyBytes> key{};

  MasterKey() = default;
  MasterKey(const MasterKey&) = delete;
  MasterKey& operator=(const MasterKey&) = delete;
  ~MasterKey() { wipe(); }
  void wipe() noexcept;
};

enum class KeyUse { Existing, CreateIfMissing };

// Checks the key folders, reads and checks the key file into `key` and
// returns the identity of the file it came from. With CreateIfMissing a
// missing key is created first (atomically: when another process creates
// one at the same time, one of the two keys stands and both use it).
// Without it a missing key fails with NTE_BAD_KEY_STATE. Never changes an
// existing key file. On failure `key` holds nothing of the key.
[[nodiscard]] std::expected<FileIdentity, std::uint32_t> load_user_key(const KeyStorePaths& paths,
                                                                       KeyUse use, MasterKey& key);

}  // namespace norvane::platform::posix
