#include "platform/posix/key_store.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <span>
#include <system_error>
#include <utility>

#include "norvane/text/hex.h"
#include "platform/fs.h"
#include "platform/path.h"
#include "platform/posix/known_folder.h"
#include "platform/random.h"
#include "platform/secure_copy.h"
#include "platform/secure_wipe.h"
#include "platform/system_error.h"

namespace norvane::platform::posix {

namespace {

namespace key_file = protection::key_file;

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) noexcept : fd_(fd) {}
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;
  ~UniqueFd() { reset(); }

  void reset(int fd = -1) noexcept {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  [[nodiscard]] int get() const noexcept { return fd_; }
  [[nodiscard]] int release() noexcept { return std::exchange(fd_, -1); }
  explicit operator bool() const noexcept { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

[[nodiscard]] std::uint32_t code_for_errno(int error) noexcept {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return kErrorAccessDenied;
    case ENOSPC:
    case EDQUOT:
      return kErrorDiskFull;
    default:
      return kErrorGenFailure;
  }
}

struct KeyLoadError {
  std::uint32_t code;
  bool missing = false;
};

[[nodiscard]] bool read_all(int fd, std::span<std::uint8_t> out) noexcept {
  while (!out.empty()) {
    const ssize_t n = ::read(fd, out.data(), out.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out = out.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

[[nodiscard]] bool write_all(int fd, std::span<const std::uint8_t> in) noexcept {
  while (!in.empty()) {
    const ssize_t n = ::write(fd, in.data(), in.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    in = in.subspan(static_cast<std::size_t>(n));
  }
  return true;
}

// Reads and checks the key file into `key`; never changes the file.
[[nodiscard]] std::expected<FileIdentity, KeyLoadError> load_key_file(const std::string& path,
                                                                      MasterKey& key) {
  // No following a symbolic link, no blocking on a FIFO, no controlling
  // terminal: whatever is there is opened only to be looked at.
  const UniqueFd fd(
      ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!fd) {
    const int error = errno;
    if (error == ENOENT) return std::unexpected(KeyLoadError{kNteBadKeyState, true});
    if (error == ELOOP) return std::unexpected(KeyLoadError{kErrorGenFailure});
    return std::unexpected(KeyLoadError{code_for_errno(error)});
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) return std::unexpected(KeyLoadError{code_for_errno(errno)});
  if (!S_ISREG(st.st_mode)) return std::unexpected(KeyLoadError{kErrorGenFailure});
  if (st.st_uid != ::geteuid() || (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    return std::unexpected(KeyLoadError{kErrorAccessDenied});
  }
  if (st.st_size != static_cast<off_t>(key_file::kBytes)) {
    return std::unexpected(KeyLoadError{kErrorGenFailure});
  }

  std::array<std::uint8_t, key_file::kBytes> content{};
  const bool complete = read_all(fd.get(), content);
  const bool well_formed =
      complete &&
      std::memcmp(content.data(), key_file::kMagic.data(), key_file::kMagic.size()) == 0 &&
      content[key_file::kVersionAt] == protection::kFormatVersion;
  if (well_formed) {
    std::memcpy(key.id.data(), content.data() + key_file::kKeyIdAt, key.id.size());
    // memcpy would leave the key in a vector register.
    secure_copy(key.key, std::span{content}.subspan<key_file::kKeyAt, protection::kKeyBytes>());
  }
  secure_wipe(std::span{content});
  if (!well_formed) return std::unexpected(KeyLoadError{kErrorGenFailure});
  return FileIdentity::of(st);
}

// Checks the folders around the key before the key is read or made: the key
// folder, when it exists, must be a real directory (not a symbolic link) of
// the user's own that nobody else may enter; its parent, the data home, when
// it exists, must be a directory that no other user (apart from root) owns and
// that neither the group nor others may write to, since whoever can rename
// entries there can put another key folder in place of the user's.
[[nodiscard]] std::expected<void, std::uint32_t> check_key_folders(const KeyStorePaths& paths) {
  struct stat st {};
  if (::stat(paths.data_home.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return std::unexpected(code_for_errno(errno));
  }
  if (!S_ISDIR(st.st_mode)) return std::unexpected(kErrorGenFailure);
  if ((st.st_uid != ::geteuid() && st.st_uid != 0) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return std::unexpected(kErrorAccessDenied);
  }
  if (::lstat(paths.dir.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return std::unexpected(code_for_errno(errno));
  }
  if (!S_ISDIR(st.st_mode)) return std::unexpected(kErrorGenFailure);
  if (st.st_uid != ::geteuid() || (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    return std::unexpected(kErrorAccessDenied);
  }
  return {};
}

// Writes a new key under a temporary name and links it to the key file. When
// another process linked its key first, that key stands and this one is
// dropped; either way the key file then holds the user's one key.
[[nodiscard]] std::expected<void, std::uint32_t> create_key_file(const KeyStorePaths& paths) {
  // Every folder made on the way is private; the folders that exist already
  // have been checked.
  if (auto made = create_private_directories(paths.dir); !made) {
    return std::unexpected(code_for_errno(made.error().value()));
  }

  struct Content {
    std::array<std::uint8_t, key_file::kBytes> bytes{};
    ~Content() { secure_wipe(std::span{bytes}); }
  } content;
  std::memcpy(content.bytes.data(), key_file::kMagic.data(), key_file::kMagic.size());
  content.bytes[key_file::kVersionAt] = protection::kFormatVersion;
  if (!fill_random(std::span{content.bytes}.subspan(key_file::kKeyIdAt))) {
    return std::unexpected(kErrorGenFailure);
  }

  std::string temp;
  UniqueFd fd;
  for (int attempt = 0; attempt < 16 && !fd; ++attempt) {
    std::array<std::uint8_t, 8> suffix{};
    if (!fill_random(suffix)) return std::unexpected(kErrorGenFailure);
    temp = join_path(paths.dir, ".master.key." + hex::encode(suffix) + ".tmp");
    fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd && errno != EEXIST) return std::unexpected(code_for_errno(errno));
  }
  if (!fd) return std::unexpected(kErrorGenFailure);

  bool written = write_all(fd.get(), content.bytes) && ::fsync(fd.get()) == 0;
  int error = errno;
  if (::close(fd.release()) != 0 && written) {
    written = false;
    error = errno;
  }
  if (!written) {
    ::unlink(temp.c_str());
    return std::unexpected(code_for_errno(error));
  }

  const int linked = ::link(temp.c_str(), paths.file.c_str());
  const int link_error = errno;
  ::unlink(temp.c_str());
  if (linked != 0 && link_error != EEXIST) return std::unexpected(code_for_errno(link_error));

  const UniqueFd dir_fd(::open(paths.dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir_fd || ::fsync(dir_fd.get()) != 0) return std::unexpected(code_for_errno(errno));
  return {};
}

}  // namespace

std::optional<KeyStorePaths> key_store_paths() {
  auto data_home = xdg_data_home();
  if (!data_home) return std::nullopt;
  KeyStorePaths paths;
  paths.dir = join_path(*data_home, "data-protection");
  paths.file = join_path(paths.dir, "master.key");
  paths.data_home = std::move(*data_home);
  return paths;
}

std::optional<FileIdentity> identity_at(const std::string& path) noexcept {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return FileIdentity::of(st);
}

void MasterKey::wipe() noexcept {
  secure_wipe(std::span{key});
  secure_wipe(std::span{id});
}

std::expected<FileIdentity, std::uint32_t> load_user_key(const KeyStorePaths& paths, KeyUse use,
                                                         MasterKey& key) {
  if (auto checked = check_key_folders(paths); !checked) return std::unexpected(checked.error());
  auto loaded = load_key_file(paths.file, key);
  if (!loaded && loaded.error().missing && use == KeyUse::CreateIfMissing) {
    if (auto created = create_key_file(paths); !created) return std::unexpected(created.error());
    loaded = load_key_file(paths.file, key);
  }
  if (!loaded) {
    key.wipe();
    return std::unexpected(loaded.error().code);
  }
  return *loaded;
}

}  // namespace norvane::platform::posix
