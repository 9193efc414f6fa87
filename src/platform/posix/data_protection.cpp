// The data protection service of the POSIX backend: a stand-in for the
// Windows one, bound to the Unix user.
//
// Each user has one master key, 32 random bytes with a random 16-byte key
// identifier, in <XDG data home>/data-protection/master.key (directory 0700,
// file 0600, both the user's, in a data home that only the user or root owns
// and only the owner may write to). The key file holds "NVMK", a format version,
// the identifier and the key. A key file with the wrong permissions, owner,
// type, size or format is refused, never repaired or replaced: replacing it
// would make every blob protected under it unreadable.
//
// A protected blob is "NVDP", a format version, the key identifier, a fresh
// 12-byte nonce, the AES-256-GCM ciphertext and the 16-byte tag; the first 21
// bytes are authenticated as associated data.
//
// Failures set the thread's last error to the Win32 code that Windows would
// report for the like condition.
#include "platform/data_protection.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/known_folder.h"
#include "platform/posix/evp_gcm.h"
#include "platform/random.h"
#include "platform/secure_wipe.h"
#include "platform/system_error.h"

namespace norvane::platform {

namespace {

constexpr std::array<char, 4> kBlobMagic{'N', 'V', 'D', 'P'};
constexpr std::array<char, 4> kKeyFileMagic{'N', 'V', 'M', 'K'};
constexpr char kFormatVersion = 1;

constexpr std::size_t kKeyIdBytes = 16;
constexpr std::size_t kKeyBytes = 32;
constexpr std::size_t kNonceBytes = 12;
constexpr std::size_t kTagBytes = 16;
// Magic, version and key identifier: the associated data of a blob.
constexpr std::size_t kBlobHeaderBytes = kBlobMagic.size() + 1 + kKeyIdBytes;
constexpr std::size_t kBlobOverhead = kBlobHeaderBytes + kNonceBytes + kTagBytes;
constexpr std::size_t kKeyFileBytes = kKeyFileMagic.size() + 1 + kKeyIdBytes + kKeyBytes;

// The largest input whose blob still fits the 32-bit count, so that every
// blob made here can be unprotected again.
constexpr std::size_t kMaxProtectInput = kMaxDataBlobBytes - kBlobOverhead;

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

[[nodiscard]] std::unexpected<std::uint32_t> fail(std::uint32_t code) noexcept {
  set_last_error(code);
  return std::unexpected(code);
}

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

struct MasterKey {
  std::array<std::uint8_t, kKeyIdBytes> id{};
  std::array<std::uint8_t, kKeyBytes> key{};

  MasterKey() = default;
  MasterKey(const MasterKey&) = delete;
  MasterKey& operator=(const MasterKey&) = delete;
  ~MasterKey() { wipe(); }
  void wipe() noexcept {
    secure_wipe(std::span{key});
    secure_wipe(std::span{id});
  }
};

// The key this thread used last, the file it came from, and two cipher
// contexts keyed with it (one to seal, one to open), so that a call only sets
// a new nonce. Keyed by the path, since the user's data home can change
// between calls, and checked against the file's identity on every use (once
// per batch inside a KeyCheckBatch).
struct KeyCache {
  std::string path;
  FileIdentity identity;
  MasterKey key;
  posix::CipherCtx seal;
  posix::CipherCtx open;
  std::uint64_t checked_in_batch = 0;
  bool loaded = false;

  KeyCache() = default;
  KeyCache(const KeyCache&) = delete;
  KeyCache& operator=(const KeyCache&) = delete;
  ~KeyCache() { clear(); }

  // Forgets the key; resetting a context wipes its key schedule.
  void clear() noexcept {
    loaded = false;
    checked_in_batch = 0;
    key.wipe();
    path.clear();
    if (seal) EVP_CIPHER_CTX_reset(seal.get());
    if (open) EVP_CIPHER_CTX_reset(open.get());
  }

  [[nodiscard]] bool key_contexts() noexcept {
    if (!seal) seal.reset(EVP_CIPHER_CTX_new());
    if (!open) open.reset(EVP_CIPHER_CTX_new());
    return seal && open && posix::gcm_key(seal.get(), true, key.key) &&
           posix::gcm_key(open.get(), false, key.key);
  }
};

thread_local KeyCache t_key_cache;

[[nodiscard]] std::string join(std::string_view left, std::string_view right) {
  std::string out(left);
  if (!out.empty() && out.back() != '/') out.push_back('/');
  out.append(right);
  return out;
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

// Reads and checks the key file into `cache`; never changes the file.
[[nodiscard]] std::expected<void, KeyLoadError> load_key_file(const std::string& path,
                                                              KeyCache& cache) {
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
  if (st.st_size != static_cast<off_t>(kKeyFileBytes)) {
    return std::unexpected(KeyLoadError{kErrorGenFailure});
  }

  std::array<std::uint8_t, kKeyFileBytes> content{};
  const bool complete = read_all(fd.get(), content);
  const bool well_formed =
      complete && std::memcmp(content.data(), kKeyFileMagic.data(), kKeyFileMagic.size()) == 0 &&
      content[kKeyFileMagic.size()] == kFormatVersion;
  if (well_formed) {
    const auto* id = content.data() + kKeyFileMagic.size() + 1;
    std::memcpy(cache.key.id.data(), id, kKeyIdBytes);
    std::memcpy(cache.key.key.data(), id + kKeyIdBytes, kKeyBytes);
    cache.identity = FileIdentity::of(st);
  }
  secure_wipe(std::span{content});
  if (!well_formed) return std::unexpected(KeyLoadError{kErrorGenFailure});
  return {};
}

// Checks the folders around the key before the key is read or made: the key
// folder, when it exists, must be a real directory (not a symbolic link) of
// the user's own that nobody else may enter; its parent, the data home, when
// it exists, must be a directory that no other user (apart from root) owns and
// that neither the group nor others may write to, since whoever can rename
// entries there can put another key folder in place of the user's.
[[nodiscard]] std::expected<void, std::uint32_t> check_key_folders(const std::string& data_home,
                                                                   const std::string& dir) {
  struct stat st {};
  if (::stat(data_home.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return std::unexpected(code_for_errno(errno));
  }
  if (!S_ISDIR(st.st_mode)) return std::unexpected(kErrorGenFailure);
  if ((st.st_uid != ::geteuid() && st.st_uid != 0) || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
    return std::unexpected(kErrorAccessDenied);
  }
  if (::lstat(dir.c_str(), &st) != 0) {
    if (errno == ENOENT) return {};
    return std::unexpected(code_for_errno(errno));
  }
  if (!S_ISDIR(st.st_mode)) return std::unexpected(kErrorGenFailure);
  if (st.st_uid != ::geteuid() || (st.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    return std::unexpected(kErrorAccessDenied);
  }
  return {};
}

// Creates every missing directory of the absolute path `dir`, each 0700.
[[nodiscard]] std::expected<void, std::uint32_t> make_private_dirs(const std::string& dir) {
  for (std::size_t pos = dir.find('/', 1);; pos = dir.find('/', pos + 1)) {
    const std::string prefix = dir.substr(0, pos);
    if (::mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) {
      return std::unexpected(code_for_errno(errno));
    }
    if (pos == std::string::npos) return {};
  }
}

[[nodiscard]] std::string hex(std::span<const std::uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  for (const std::uint8_t b : bytes) {
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0xF]);
  }
  return out;
}

// Writes a new key under a temporary name and links it to `path`. When
// another process linked its key first, that key stands and this one is
// dropped; either way `path` then holds the user's one key.
[[nodiscard]] std::expected<void, std::uint32_t> create_key_file(const std::string& dir,
                                                                 const std::string& path) {
  if (auto made = make_private_dirs(dir); !made) return made;

  struct Content {
    std::array<std::uint8_t, kKeyFileBytes> bytes{};
    ~Content() { secure_wipe(std::span{bytes}); }
  } content;
  std::memcpy(content.bytes.data(), kKeyFileMagic.data(), kKeyFileMagic.size());
  content.bytes[kKeyFileMagic.size()] = kFormatVersion;
  if (!fill_random(std::span{content.bytes}.subspan(kKeyFileMagic.size() + 1))) {
    return std::unexpected(kErrorGenFailure);
  }

  std::string temp;
  UniqueFd fd;
  for (int attempt = 0; attempt < 16 && !fd; ++attempt) {
    std::array<std::uint8_t, 8> suffix{};
    if (!fill_random(suffix)) return std::unexpected(kErrorGenFailure);
    temp = join(dir, ".master.key." + hex(suffix) + ".tmp");
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

  const int linked = ::link(temp.c_str(), path.c_str());
  const int link_error = errno;
  ::unlink(temp.c_str());
  if (linked != 0 && link_error != EEXIST) return std::unexpected(code_for_errno(link_error));

  const UniqueFd dir_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir_fd || ::fsync(dir_fd.get()) != 0) return std::unexpected(code_for_errno(errno));
  return {};
}

enum class KeyUse { Existing, CreateIfMissing };

// The user's key, ready in this thread's cache.
[[nodiscard]] std::expected<KeyCache*, std::uint32_t> user_key(KeyUse use) {
  KeyCache& cache = t_key_cache;
  const std::uint64_t batch = KeyCheckBatch::current();
  if (batch != 0 && cache.loaded && cache.checked_in_batch == batch) return &cache;

  const auto data_home = xdg_data_home();
  if (!data_home) return std::unexpected(kErrorAccessDenied);
  const std::string dir = join(*data_home, "data-protection");
  const std::string path = join(dir, "master.key");

  if (cache.loaded && cache.path == path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && FileIdentity::of(st) == cache.identity) {
      cache.checked_in_batch = batch;
      return &cache;
    }
  }
  cache.clear();

  if (auto checked = check_key_folders(*data_home, dir); !checked) {
    return std::unexpected(checked.error());
  }
  auto loaded = load_key_file(path, cache);
  if (!loaded && loaded.error().missing && use == KeyUse::CreateIfMissing) {
    if (auto created = create_key_file(dir, path); !created) {
      return std::unexpected(created.error());
    }
    loaded = load_key_file(path, cache);
  }
  if (!loaded) {
    cache.clear();
    return std::unexpected(loaded.error().code);
  }
  if (!cache.key_contexts()) {
    cache.clear();
    return std::unexpected(kErrorGenFailure);
  }
  cache.path = path;
  cache.loaded = true;
  cache.checked_in_batch = batch;
  return &cache;
}

}  // namespace

std::expected<std::string, std::uint32_t> protect_data(std::span<const char> input) {
  if (input.size() > kMaxProtectInput) return fail(kErrorInvalidParameter);
  const auto key = user_key(KeyUse::CreateIfMissing);
  if (!key) return fail(key.error());

  std::array<std::uint8_t, kBlobHeaderBytes> header{};
  std::memcpy(header.data(), kBlobMagic.data(), kBlobMagic.size());
  header[kBlobMagic.size()] = kFormatVersion;
  std::memcpy(header.data() + kBlobMagic.size() + 1, (*key)->key.id.data(), kKeyIdBytes);

  std::array<std::uint8_t, kNonceBytes> nonce{};
  if (!fill_random(nonce)) return fail(kErrorGenFailure);

  std::string blob(kBlobOverhead + input.size(), '\0');
  std::memcpy(blob.data(), header.data(), header.size());
  std::memcpy(blob.data() + kBlobHeaderBytes, nonce.data(), nonce.size());
  const std::span<char> text{blob.data() + kBlobHeaderBytes + kNonceBytes, input.size()};
  std::array<std::uint8_t, kTagBytes> tag{};
  if (!posix::gcm_seal_keyed((*key)->seal.get(), nonce, header, input, text, tag)) {
    secure_wipe(std::span{blob});
    return fail(kErrorGenFailure);
  }
  std::memcpy(text.data() + text.size(), tag.data(), tag.size());
  return blob;
}

std::expected<std::string, std::uint32_t> unprotect_data(std::span<const char> blob) {
  if (!fits_data_blob(blob.size())) return fail(kErrorInvalidParameter);
  if (blob.size() < kBlobOverhead ||
      std::memcmp(blob.data(), kBlobMagic.data(), kBlobMagic.size()) != 0 ||
      blob[kBlobMagic.size()] != kFormatVersion) {
    return fail(kErrorInvalidData);
  }
  const auto key = user_key(KeyUse::Existing);
  if (!key) return fail(key.error());

  std::array<std::uint8_t, kBlobHeaderBytes> header{};
  std::memcpy(header.data(), blob.data(), header.size());
  if (std::memcmp(header.data() + kBlobMagic.size() + 1, (*key)->key.id.data(), kKeyIdBytes) != 0) {
    return fail(kNteBadKeyState);
  }
  std::array<std::uint8_t, kNonceBytes> nonce{};
  std::memcpy(nonce.data(), blob.data() + kBlobHeaderBytes, nonce.size());
  const std::size_t text_len = blob.size() - kBlobOverhead;
  const std::span<const char> ciphertext = blob.subspan(kBlobHeaderBytes + kNonceBytes, text_len);
  std::array<std::uint8_t, kTagBytes> tag{};
  std::memcpy(tag.data(), ciphertext.data() + text_len, tag.size());

  std::string plain(text_len, '\0');
  if (auto opened =
          posix::gcm_open_keyed((*key)->open.get(), nonce, header, ciphertext, plain, tag);
      !opened) {
    secure_wipe(std::span{plain});
    return fail(opened.error() == GcmFailure::TagMismatch ? kErrorInvalidData : kErrorGenFailure);
  }
  return plain;
}

}  // namespace norvane::platform
