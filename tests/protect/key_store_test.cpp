// The per-user key store behind the data protection service of this backend.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child.h"
#include "norvane/protect/body.h"
#include "platform/posix/protection_format.h"
#include "platform/secure_wipe.h"
#include "printers.h"
#include "support/gcm_vectors.h"
#include "support/os_faults.h"
#include "support/system_messages.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;

namespace fs = std::filesystem;
using testing::kAccessDenied;
using testing::kBadKeyState;
using testing::kDiskFull;
using testing::kGenFailure;
using testing::kInvalidData;
using testing::run_child;
using testing::ScopedUserHome;

std::string read_file(const fs::path& path) {
  if (!fs::is_regular_file(fs::symlink_status(path))) return "(not a regular file)";
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const fs::path& path, std::string_view content, mode_t mode) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  ::close(fd);
  ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

std::vector<std::string> names_in(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

struct stat stat_of(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

class KeyStore : public ::testing::Test {
 protected:
  [[nodiscard]] fs::path xdg() const { return home_.dir().path() / "xdg"; }
  [[nodiscard]] fs::path dir() const { return xdg() / "data-protection"; }
  [[nodiscard]] fs::path key_file() const { return dir() / "master.key"; }

  Bytes protect(std::string_view body) {
    auto blob = protect_body(body);
    EXPECT_TRUE(blob) << (blob ? "" : blob.error().detail());
    return blob ? *blob : Bytes{};
  }

  // Both directions are refused with `detail`, and the key file is left
  // exactly as it was.
  void expect_refused(const Bytes& blob, const std::string& detail) {
    const std::string before = read_file(key_file());
    const struct stat st_before = stat_of(key_file());
    auto protected_again = protect_body("new note"sv);
    ASSERT_FALSE(protected_again);
    EXPECT_EQ(protected_again.error(), CryptoError::protect_failed(detail));
    auto read_back = unprotect_body(blob);
    ASSERT_FALSE(read_back);
    EXPECT_EQ(read_back.error(), CryptoError::unprotect_failed(detail));
    const struct stat st_after = stat_of(key_file());
    EXPECT_EQ(st_after.st_mode, st_before.st_mode);
    EXPECT_EQ(st_after.st_uid, st_before.st_uid);
    EXPECT_EQ(st_after.st_ino, st_before.st_ino);
    EXPECT_EQ(read_file(key_file()), before);
    EXPECT_EQ(names_in(dir()), std::vector<std::string>{"master.key"});
  }

  ScopedUserHome home_;
};

TEST_F(KeyStore, FirstProtectionCreatesAPrivateKeyFile) {
  EXPECT_FALSE(fs::exists(xdg()));
  protect("first note");
  const struct stat file = stat_of(key_file());
  EXPECT_TRUE(S_ISREG(file.st_mode));
  EXPECT_EQ(file.st_mode & 07777, 0600u);
  EXPECT_EQ(file.st_uid, ::geteuid());
  EXPECT_EQ(file.st_size, static_cast<off_t>(platform::protection::key_file::kBytes));
  EXPECT_EQ(stat_of(dir()).st_mode & 07777, 0700u);
  EXPECT_EQ(stat_of(xdg()).st_mode & 07777, 0700u);
  // The temporary name is gone.
  EXPECT_EQ(names_in(dir()), std::vector<std::string>{"master.key"});
}

TEST_F(KeyStore, UnprotectingNeverCreatesAKey) {
  const Bytes blob = protect("note");
  fs::remove(key_file());
  auto result = unprotect_body(blob);
  ASSERT_FALSE(result);
  EXPECT_EQ(result.error(), CryptoError::unprotect_failed(kBadKeyState));
  EXPECT_FALSE(fs::exists(key_file()));
}

TEST_F(KeyStore, TheKeyFileIsWhatAnotherProcessReads) {
  const Bytes blob = protect("shared between processes");
  auto outcome = run_child([&]() -> std::string {
    auto text = unprotect_body(blob);
    if (!text) return text.error().detail();
    return *text == "shared between processes" ? "" : "wrong text";
  });
  EXPECT_TRUE(outcome.failure.empty()) << outcome.failure;
}

TEST_F(KeyStore, ALostKeyIsReplacedOnlyForNewBlobs) {
  const Bytes old_blob = protect("under the first key");
  const std::string first_key = read_file(key_file());
  fs::remove(key_file());
  const Bytes new_blob = protect("under the second key");
  EXPECT_NE(read_file(key_file()), first_key);
  auto old_text = unprotect_body(old_blob);
  ASSERT_FALSE(old_text);
  EXPECT_EQ(old_text.error(), CryptoError::unprotect_failed(kBadKeyState));
  auto new_text = unprotect_body(new_blob);
  ASSERT_TRUE(new_text);
  EXPECT_EQ(*new_text, "under the second key");
}

TEST_F(KeyStore, DataHomeFallsBackToHomeWhenXdgIsUnsetOrRelative) {
  const fs::path home_key =
      home_.dir().path() / "home" / ".local" / "share" / "data-protection" / "master.key";
  ::unsetenv("XDG_DATA_HOME");
  const Bytes blob = protect("in HOME");
  EXPECT_TRUE(fs::exists(home_key));
  ::setenv("XDG_DATA_HOME", "relative/xdg", 1);
  auto text = unprotect_body(blob);
  ASSERT_TRUE(text) << text.error().detail();
  EXPECT_FALSE(fs::exists("relative"));
  EXPECT_FALSE(fs::exists(key_file()));
}

TEST_F(KeyStore, GroupOrWorldAccessibleKeyIsRefusedAndLeftAsItIs) {
  const Bytes blob = protect("note");
  for (const mode_t mode : {mode_t{0644}, mode_t{0640}, mode_t{0604}, mode_t{0660}}) {
    ASSERT_EQ(::chmod(key_file().c_str(), mode), 0);
    expect_refused(blob, kAccessDenied);
    EXPECT_EQ(stat_of(key_file()).st_mode & 07777, mode);
  }
  // Owner-only read access is enough.
  ASSERT_EQ(::chmod(key_file().c_str(), 0400), 0);
  auto text = unprotect_body(blob);
  ASSERT_TRUE(text) << text.error().detail();
}

TEST_F(KeyStore, KeyOwnedByAnotherUserIsRefusedAndLeftAsItIs) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to give the file away";
  const Bytes blob = protect("note");
  ASSERT_EQ(::chown(key_file().c_str(), 65534, 65534), 0);
  expect_refused(blob, kAccessDenied);
  EXPECT_EQ(stat_of(key_file()).st_uid, 65534u);
}

TEST_F(KeyStore, KeyFileOfWrongTypeSizeOrFormatIsRefused) {
  const Bytes blob = protect("note");
  const std::string good = read_file(key_file());
  ASSERT_EQ(good.size(), 53u);

  write_file(key_file(), good.substr(0, 52), 0600);
  expect_refused(blob, kGenFailure);
  write_file(key_file(), good + "x", 0600);
  expect_refused(blob, kGenFailure);
  std::string wrong_magic = good;
  wrong_magic[0] = 'X';
  write_file(key_file(), wrong_magic, 0600);
  expect_refused(blob, kGenFailure);
  std::string wrong_version = good;
  wrong_version[4] = 2;
  write_file(key_file(), wrong_version, 0600);
  expect_refused(blob, kGenFailure);

  // A symbolic link is not followed, even to a good key of the user's own.
  const fs::path elsewhere = home_.dir().path() / "good.key";
  write_file(elsewhere, good, 0600);
  fs::remove(key_file());
  fs::create_symlink(elsewhere, key_file());
  expect_refused(blob, kGenFailure);
  EXPECT_TRUE(fs::is_symlink(key_file()));

  fs::remove(key_file());
  fs::create_directory(key_file());
  expect_refused(blob, kGenFailure);

  // A FIFO must not make the call hang.
  fs::remove(key_file());
  ASSERT_EQ(::mkfifo(key_file().c_str(), 0600), 0);
  expect_refused(blob, kGenFailure);

  // Put back, the original key works again.
  fs::remove(key_file());
  write_file(key_file(), good, 0600);
  auto text = unprotect_body(blob);
  ASSERT_TRUE(text) << text.error().detail();
}

// A data home that is a file, lies under one, or is so long a name that the
// key folder's name would be longer than a path may be.
TEST_F(KeyStore, UnusableDataHomeFails) {
  const fs::path file = home_.dir().path() / "file";
  write_file(file, "a file, not a directory", 0600);
  std::string deep = xdg().string();
  while (deep.size() < 4085) {
    deep += '/';
    deep.append(std::clamp<std::size_t>(4085 - std::min<std::size_t>(deep.size(), 4085), 1, 200),
                'd');
  }
  fs::create_directories(deep);
  for (const std::string& data_home : {file.string(), (file / "sub").string(), deep}) {
    SCOPED_TRACE(data_home.size());
    ::setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    auto blob = protect_body("note"sv);
    ASSERT_FALSE(blob);
    EXPECT_EQ(blob.error(), CryptoError::protect_failed(kGenFailure));
  }
}

// Replaces a file through a new inode, so that no cached view of the old one
// can stand for it.
void replace_file(const fs::path& path, std::string_view content, mode_t mode) {
  const fs::path temp = path.string() + ".new";
  write_file(temp, content, mode);
  fs::rename(temp, path);
}

// The folders around the key are checked before a key is read or made. Each
// case starts from a fresh data home holding a good copy of the key, so that
// no key cached by an earlier call stands in for the check.
TEST_F(KeyStore, KeyFoldersThatOthersCouldChangeAreRefusedAndNoKeyIsMade) {
  const Bytes blob = protect("note");
  const std::string good = read_file(key_file());
  struct Case {
    const char* what;
    std::function<void(const fs::path& data_home)> spoil;
    const char* detail;
    bool needs_root = false;
  };
  const auto chmod_to = [](const char* sub, mode_t mode) {
    return
        [=](const fs::path& data_home) { ASSERT_EQ(::chmod((data_home / sub).c_str(), mode), 0); };
  };
  const auto chown_nobody = [](const char* sub) {
    return [=](const fs::path& data_home) {
      ASSERT_EQ(::chown((data_home / sub).c_str(), 65534, 65534), 0);
    };
  };
  const Case cases[] = {
      {"key folder readable by the group", chmod_to("data-protection", 0750), kAccessDenied},
      {"key folder open to others", chmod_to("data-protection", 0701), kAccessDenied},
      {"key folder of another user", chown_nobody("data-protection"), kAccessDenied, true},
      {"data home writable by the group", chmod_to(".", 0770), kAccessDenied},
      {"data home writable by everyone, sticky", chmod_to(".", 01777), kAccessDenied},
      {"data home of another user", chown_nobody("."), kAccessDenied, true},
      {"key folder is a symbolic link",
       [](const fs::path& data_home) {
         fs::rename(data_home / "data-protection", data_home / "real");
         fs::create_directory_symlink(data_home / "real", data_home / "data-protection");
       },
       kGenFailure},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.needs_root && ::geteuid() != 0) continue;
    const ScopedUserHome fresh;
    const fs::path data_home = fresh.dir().path() / "xdg";
    fs::create_directories(data_home / "data-protection");
    ASSERT_EQ(::chmod(data_home.c_str(), 0700), 0);
    ASSERT_EQ(::chmod((data_home / "data-protection").c_str(), 0700), 0);
    write_file(data_home / "data-protection" / "master.key", good, 0600);
    c.spoil(data_home);

    auto protected_again = protect_body("new note"sv);
    ASSERT_FALSE(protected_again);
    EXPECT_EQ(protected_again.error(), CryptoError::protect_failed(c.detail));
    auto read_back = unprotect_body(blob);
    ASSERT_FALSE(read_back);
    EXPECT_EQ(read_back.error(), CryptoError::unprotect_failed(c.detail));
    const fs::path key = fs::canonical(data_home / "data-protection") / "master.key";
    EXPECT_EQ(read_file(key), good);
    EXPECT_EQ(names_in(key.parent_path()), std::vector<std::string>{"master.key"});
  }
  // A data home that is writable by its owner only (and the default one) is fine.
  auto text = unprotect_body(blob);
  ASSERT_TRUE(text) << text.error().detail();
}

// Each folder the store makes is synced in its parent before the key is
// written into it. A folder whose entry cannot be synced fails the call, and
// no key is made.
TEST_F(KeyStore, EveryFolderItMakesIsSyncedInItsParentOrTheCallFails) {
  {
    const testing::FsCallLog failing_syncs(EIO);
    auto blob = protect_body("note"sv);
    ASSERT_FALSE(blob);
    EXPECT_EQ(blob.error(), CryptoError::protect_failed(kGenFailure));
    EXPECT_FALSE(fs::exists(key_file()));
  }
  fs::remove_all(xdg());
  const std::string home = fs::canonical(home_.dir().path()).string();
  const testing::FsCallLog log;
  protect("note");
  EXPECT_EQ(log.calls(), (std::vector<std::string>{
                             "mkdir " + home + "/xdg", "fsync " + home,
                             "mkdir " + home + "/xdg/data-protection", "fsync " + home + "/xdg",
                             "fsync " + home + "/xdg/data-protection"}));  // the new key's entry
}

// A key file of the right form whose bits were damaged cannot be told from
// another key: blobs made before fail to read, and the file stays as it is.
TEST_F(KeyStore, ADamagedKeyFailsOldBlobsAndIsNeverReplaced) {
  const Bytes blob = protect("note");
  const std::string good = read_file(key_file());
  std::string damaged_key = good;
  damaged_key[40] = static_cast<char>(damaged_key[40] ^ 0x10);  // in the key bytes
  replace_file(key_file(), damaged_key, 0600);
  auto text = unprotect_body(blob);
  ASSERT_FALSE(text);
  EXPECT_EQ(text.error(), CryptoError::unprotect_failed(kInvalidData));

  std::string damaged_id = good;
  damaged_id[7] = static_cast<char>(damaged_id[7] ^ 0x01);  // in the key identifier
  replace_file(key_file(), damaged_id, 0600);
  text = unprotect_body(blob);
  ASSERT_FALSE(text);
  EXPECT_EQ(text.error(), CryptoError::unprotect_failed(kBadKeyState));
  protect("protected under whatever key is there");
  EXPECT_EQ(read_file(key_file()), damaged_id);
}

// A key file and a blob as this service has always written them, byte for
// byte: a body protected by an earlier version still opens. Each byte of the
// blob's header counts: a changed one fails, a key identifier changed in the
// key file too since it is authenticated.
TEST_F(KeyStore, AKeyFileAndABlobOfTheStoredFormatOpenToTheirText) {
  const std::string id = testing::unhex("101112131415161718191a1b1c1d1e1f");
  const std::string key = "NVMK\x01"s + id +
                          testing::unhex(
                              "202122232425262728292a2b2c2d2e2f"
                              "303132333435363738393a3b3c3d3e3f");
  const std::string blob = "NVDP\x01"s + id +
                           testing::unhex(
                               "404142434445464748494a4b"  // nonce
                               "9120d2f33512e5623c126218b77c7d52"
                               "61ebfce7d525d1bb1cdef566148fbd2c"
                               "ed0fec6a5870045d56f0969ef863dcc5");
  protect("makes the key's folders");
  replace_file(key_file(), key, 0600);
  auto text = unprotect_body(blob);
  ASSERT_TRUE(text) << text.error().detail();
  EXPECT_EQ(*text, "Stored in 2026, read ever after.");

  for (std::size_t at = 0; at < platform::protection::blob::kHeaderBytes; ++at) {
    std::string changed = blob;
    changed[at] = static_cast<char>(changed[at] ^ 0x01);
    std::string changed_key = key;
    if (at >= platform::protection::blob::kKeyIdAt) changed_key[at] = changed[at];
    replace_file(key_file(), changed_key, 0600);
    auto result = unprotect_body(changed);
    ASSERT_FALSE(result) << "byte " << at;
    EXPECT_EQ(result.error(), CryptoError::unprotect_failed(kInvalidData)) << "byte " << at;
  }
}

// Whether the bytes whose inverse is `inverted` occur anywhere in the
// process's writable memory (the bytes themselves are never formed, so the
// search cannot find itself). Read through /proc/self/mem, so that
// sanitizers see no access to poisoned bytes.
bool in_process_memory(const std::array<std::uint8_t, 32>& inverted) {
  std::ifstream maps("/proc/self/maps");
  const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
  if (mem < 0) return false;
  bool found = false;
  std::string line;
  std::vector<char> buffer;
  while (!found && std::getline(maps, line)) {
    std::istringstream fields(line);
    std::string range, perms;
    fields >> range >> perms;
    if (perms.size() < 2 || perms[0] != 'r' || perms[1] != 'w') continue;
    const auto dash = range.find('-');
    const auto begin = std::stoull(range.substr(0, dash), nullptr, 16);
    const auto end = std::stoull(range.substr(dash + 1), nullptr, 16);
    if (end - begin > (std::uint64_t{256} << 20)) continue;  // sanitizer shadow, not data
    buffer.resize(end - begin);
    const ssize_t n = ::pread(mem, buffer.data(), buffer.size(), static_cast<off_t>(begin));
    if (n <= 0) continue;
    const auto* hay = reinterpret_cast<const std::uint8_t*>(buffer.data());
    const auto size = static_cast<std::size_t>(n);
    const auto first = static_cast<std::uint8_t>(~inverted[0]);
    for (std::size_t at = 0; !found && at + inverted.size() <= size; ++at) {
      if (hay[at] != first) continue;
      std::size_t i = 1;
      while (i < inverted.size() && hay[at + i] == static_cast<std::uint8_t>(~inverted[i])) ++i;
      found = i == inverted.size();
    }
    // The buffer holds a copy of what the mapping held, the key too when it
    // was there; wiped, so that a later search does not find this copy.
    platform::secure_wipe(std::span{buffer}.first(size));
  }
  ::close(mem);
  return found;
}

// While it lives, a signal handled with SA_ONSTACK on the calling thread runs
// on `stack`, so that the registers the kernel saves for it stay there.
class SignalStack {
 public:
  explicit SignalStack(std::span<std::byte> stack) {
    stack_t own{};
    own.ss_sp = stack.data();
    own.ss_size = stack.size();
    ::sigaltstack(&own, &previous_);
  }
  ~SignalStack() { ::sigaltstack(&previous_, nullptr); }
  SignalStack(const SignalStack&) = delete;
  SignalStack& operator=(const SignalStack&) = delete;

 private:
  stack_t previous_{};
};

// The key a thread has loaded is wiped from memory when the thread releases
// it, and no copy of it stays behind in the thread's registers either: those
// are written to memory whenever the thread takes a signal or calls a
// function through the dynamic linker for the first time. Checked in a child
// process that never loaded this key before.
TEST_F(KeyStore, TheKeyIsWipedFromMemoryWhenReleased) {
  // A key of known bytes, written here without ever being loaded by the
  // store. Only its inverse is kept, so that this copy is never found.
  namespace layout = platform::protection::key_file;
  std::array<std::uint8_t, platform::protection::kKeyBytes> inverted{};
  {
    std::array<std::uint8_t, layout::kBytes> content{'N', 'V', 'M', 'K',
                                                     platform::protection::kFormatVersion};
    for (std::size_t i = layout::kKeyIdAt; i < content.size(); ++i) {
      content[i] = static_cast<std::uint8_t>(i * 37 + 11);
    }
    for (std::size_t i = 0; i < inverted.size(); ++i) {
      inverted[i] = static_cast<std::uint8_t>(~content[layout::kKeyAt + i]);
    }
    fs::create_directories(dir());
    ASSERT_EQ(::chmod(xdg().c_str(), 0700), 0);
    ASSERT_EQ(::chmod(dir().c_str(), 0700), 0);
    write_file(key_file(),
               std::string_view(reinterpret_cast<const char*>(content.data()), content.size()),
               0600);
    volatile std::uint8_t* wipe = content.data();
    for (std::size_t i = 0; i < content.size(); ++i) wipe[i] = 0;
  }
  auto outcome = run_child([&]() -> std::string {
    // A process that has protected a body before has set up its cipher, so
    // that the thread below only loads the key and uses it. That body is
    // protected under another home's key.
    {
      const ScopedUserHome elsewhere;
      if (!protect_body("set-up"sv)) return "protect failed elsewhere";
    }
    struct sigaction on_own_stack {};
    on_own_stack.sa_handler = +[](int) {};
    on_own_stack.sa_flags = SA_ONSTACK;
    ::sigaction(SIGUSR1, &on_own_stack, nullptr);
    std::vector<std::byte> signal_stack(std::size_t{1} << 16);
    const bool before = in_process_memory(inverted);
    std::mutex m;
    std::condition_variable cv;
    bool loaded = false, release = false, ok = false;
    std::thread user([&] {
      const SignalStack on(signal_stack);
      ok = protect_body("in another thread"sv).has_value();
      // Whatever the registers hold now is written where it stays.
      ::pthread_kill(::pthread_self(), SIGUSR1);
      std::unique_lock lock(m);
      loaded = true;
      cv.notify_all();
      cv.wait(lock, [&] { return release; });
    });
    bool while_held = false;
    {
      std::unique_lock lock(m);
      cv.wait(lock, [&] { return loaded; });
      while_held = in_process_memory(inverted);
      release = true;
      cv.notify_all();
    }
    user.join();
    const bool after = in_process_memory(inverted);
    if (!ok) return "protect failed";
    if (before) return "key in memory before it was loaded";
    if (!while_held) return "key not found while held (the scan is blind)";
    if (after) return "key still in memory after the thread released it";
    return "";
  });
  EXPECT_TRUE(outcome.failure.empty()) << outcome.failure;
}

// Where the key store writes a new key before it links it to master.key.
constexpr const char* kTemporaryKey = "/.master.key.";

// A child of the case below, held where it has written its new key and is
// about to link it: it says so on `arrived` and goes on when `go` is
// written to or closed.
struct HeldChild {
  int arrived = -1;
  int go = -1;
};
HeldChild g_held;

void hold_before_link(const void*, std::size_t) {
  const char c = 'h';
  (void)!::write(g_held.arrived, &c, 1);
  char got = 0;
  while (::read(g_held.go, &got, 1) < 0 && errno == EINTR) {
  }
}

// Two processes that both find no key and both write a new one end up with
// the same single key: the one linked first. Both are held with their new
// keys written; the first then runs to the end, blob and all, before the
// second goes on, so that a second link that replaced the first key would
// leave the first blob unreadable, every time.
TEST_F(KeyStore, ConcurrentCreationEndsWithOneSharedKey) {
  const ScopedUserHome fresh;
  const fs::path base = fresh.dir().path();
  const fs::path key = base / "xdg" / "data-protection" / "master.key";
  struct Child {
    pid_t pid = -1;
    int arrived = -1;  // the parent's ends
    int go = -1;
  };
  std::array<Child, 2> children;
  for (int k = 0; k < 2; ++k) {
    int arrived[2];
    int go[2];
    ASSERT_EQ(::pipe(arrived), 0);
    ASSERT_EQ(::pipe(go), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      // The first child's pipes: only the parent may hold their ends.
      for (const Child& other : children) {
        if (other.pid < 0) continue;
        ::close(other.arrived);
        ::close(other.go);
      }
      ::close(arrived[0]);
      ::close(go[1]);
      g_held = {arrived[1], go[0]};
      const testing::ScopedFault hold({testing::Call::Close, testing::Effect::Count, 0,
                                       kTemporaryKey, 0, -1, 1, hold_before_link});
      auto blob = protect_body("written by child " + std::to_string(k));
      if (!blob || hold.calls() != 1) ::_exit(2);
      std::ofstream(base / ("blob" + std::to_string(k)), std::ios::binary) << *blob;
      ::_exit(0);
    }
    ::close(arrived[1]);
    ::close(go[0]);
    children[static_cast<std::size_t>(k)] = {pid, arrived[0], go[1]};
  }
  // Both have written a key of their own before either links it.
  for (const Child& child : children) {
    char c = 0;
    ssize_t n = 0;
    while ((n = ::read(child.arrived, &c, 1)) < 0 && errno == EINTR) {
    }
    EXPECT_EQ(n, 1) << "a child never reached the link";
  }
  for (const Child& child : children) {
    ::close(child.go);  // lets it go on
    int status = 0;
    ASSERT_EQ(::waitpid(child.pid, &status, 0), child.pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    ::close(child.arrived);
  }
  EXPECT_EQ(names_in(key.parent_path()), std::vector<std::string>{"master.key"});

  // Each child reads the other's blob.
  for (int k = 0; k < 2; ++k) {
    const std::string other_blob = read_file(base / ("blob" + std::to_string(1 - k)));
    auto outcome = run_child([&]() -> std::string {
      auto text = unprotect_body(other_blob);
      if (!text) return text.error().detail();
      return *text == "written by child " + std::to_string(1 - k) ? "" : "wrong text";
    });
    EXPECT_TRUE(outcome.failure.empty()) << outcome.failure;
  }
}

// A new key whose folder or temporary file cannot be made, written, synced or
// closed is not made: the call fails with the condition as Windows words it,
// and neither a key nor the temporary file is left, so that the next call
// starts afresh.
TEST_F(KeyStore, AKeyThatCannotBeWrittenIsNotMadeAndLeavesNoTemporaryFile) {
  using testing::Call;
  using testing::Effect;
  using testing::Fault;
  struct Case {
    const char* what;
    Fault fault;
    const char* detail;
    int tries = 1;  // calls that fail before the store gives up
    bool data_home_exists = false;
  };
  const auto on_folder = [](int error) {
    return Fault{Call::Mkdir, Effect::Fail, error, "data-protection"};
  };
  const auto on_temporary = [](Call call, int error) {
    return Fault{call, Effect::Fail, error, kTemporaryKey};
  };
  // A new folder's entry that cannot be synced: each sync on its own, as one
  // failing among several passes only when every result is heeded.
  const auto on_sync_in = [](const char* folder) {
    return Fault{Call::Fsync, Effect::Fail, EIO, folder, 0, 1};
  };
  const Case cases[] = {
      {"the data home's entry cannot be synced", on_sync_in(nullptr), kGenFailure},
      {"the key folder's entry cannot be synced", on_sync_in("/xdg"), kGenFailure},
      {"the key folder's entry cannot be synced in an existing data home", on_sync_in("/xdg"),
       kGenFailure, 1, true},
      {"no room for the key folder", on_folder(ENOSPC), kDiskFull},
      {"key folder on a read-only file system", on_folder(EROFS), kAccessDenied},
      {"no room for the temporary file", on_temporary(Call::Open, ENOSPC), kDiskFull},
      // Another name is tried for each one taken, sixteen in all.
      {"every temporary name taken", on_temporary(Call::Open, EEXIST), kGenFailure, 16},
      {"disk full while writing", on_temporary(Call::Write, ENOSPC), kDiskFull},
      {"quota exceeded while writing", on_temporary(Call::Write, EDQUOT), kDiskFull},
      {"writing not permitted", on_temporary(Call::Write, EPERM), kAccessDenied},
      {"I/O error while writing", on_temporary(Call::Write, EIO), kGenFailure},
      // Never retried for ever: after a hundred such writes the real ones pass.
      {"a write that writes nothing",
       {Call::Write, Effect::Zero, 0, kTemporaryKey, 0, 100},
       kGenFailure},
      {"disk full while syncing", on_temporary(Call::Fsync, ENOSPC), kDiskFull},
      {"I/O error while syncing", on_temporary(Call::Fsync, EIO), kGenFailure},
      {"read-only file system while syncing", on_temporary(Call::Fsync, EROFS), kAccessDenied},
      {"quota exceeded at close", on_temporary(Call::Close, EDQUOT), kDiskFull},
      {"I/O error at close", on_temporary(Call::Close, EIO), kGenFailure},
  };

  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ScopedUserHome fresh;
    const fs::path key_dir = fresh.dir().path() / "xdg" / "data-protection";
    if (c.data_home_exists) {
      ASSERT_EQ(::mkdir(key_dir.parent_path().c_str(), 0700), 0);
    }
    {
      const testing::ScopedFault fault(c.fault);
      auto blob = protect_body("note"sv);
      ASSERT_FALSE(blob);
      EXPECT_EQ(blob.error(), CryptoError::protect_failed(c.detail));
      EXPECT_EQ(fault.hits(), c.tries);
    }
    EXPECT_FALSE(fs::exists(key_dir / "master.key"));
    if (fs::exists(key_dir)) {
      EXPECT_EQ(names_in(key_dir), std::vector<std::string>{});
    }
    protect("once the fault is gone");
    EXPECT_EQ(names_in(key_dir), std::vector<std::string>{"master.key"});
  }
}

// An interrupted or short write of the new key goes on with the rest, so
// that the key is written whole.
TEST_F(KeyStore, InterruptedAndShortWritesOfANewKeyStillWriteItWhole) {
  using testing::Call;
  using testing::Effect;
  using testing::Fault;
  const Fault faults[] = {
      {Call::Write, Effect::Fail, EINTR, kTemporaryKey, 0, 1},
      {Call::Write, Effect::Short, 0, kTemporaryKey, 0, -1, 5},
  };
  for (const Fault& f : faults) {
    SCOPED_TRACE(f.effect == Effect::Short ? "short writes" : "an interrupted write");
    const ScopedUserHome fresh;
    const fs::path key = fresh.dir().path() / "xdg" / "data-protection" / "master.key";
    const testing::ScopedFault fault(f);
    const Bytes blob = protect("note");
    EXPECT_GE(fault.hits(), 1);
    EXPECT_EQ(stat_of(key).st_size, static_cast<off_t>(platform::protection::key_file::kBytes));
    EXPECT_EQ(names_in(key.parent_path()), std::vector<std::string>{"master.key"});
    auto text = unprotect_body(blob);
    ASSERT_TRUE(text) << text.error().detail();
  }
}

// Once the key is linked in place it stands, even when the folder that names
// it cannot be synced: the call fails, and the next one uses that key.
TEST_F(KeyStore, AKeyFolderThatCannotBeSyncedFailsTheCallButKeepsTheKey) {
  const ScopedUserHome fresh;
  const fs::path key = fresh.dir().path() / "xdg" / "data-protection" / "master.key";
  {
    // The first sync in the key folder is the temporary file's, the second
    // the folder's own.
    const testing::ScopedFault fault(
        {testing::Call::Fsync, testing::Effect::Fail, EIO, "data-protection", 1, 1});
    auto blob = protect_body("note"sv);
    ASSERT_FALSE(blob);
    EXPECT_EQ(blob.error(), CryptoError::protect_failed(kGenFailure));
    EXPECT_EQ(fault.hits(), 1);
  }
  const std::string made = read_file(key);
  EXPECT_EQ(made.size(), platform::protection::key_file::kBytes);
  EXPECT_EQ(names_in(key.parent_path()), std::vector<std::string>{"master.key"});
  const Bytes blob = protect("note");
  EXPECT_EQ(read_file(key), made);
}

// Without random bytes no key is made and no blob sealed; an existing key is
// kept and still reads what it protected. Each call runs in a thread of its
// own with the random pool left out (as where the kernel cannot keep it
// private), so that every request for random bytes reaches the generator.
TEST_F(KeyStore, AFailingRandomGeneratorMakesNoKeyAndKeepsTheOldOne) {
  using testing::Call;
  using testing::Effect;
  struct Case {
    const char* what;
    bool key_exists;
    int good_draws;  // draws that succeed before the generator fails
  };
  const Case cases[] = {
      {"the new key's bytes", false, 0},
      {"the temporary file's name", false, 1},
      {"the blob's nonce", true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const ScopedUserHome fresh;
    const fs::path key = fresh.dir().path() / "xdg" / "data-protection" / "master.key";
    Bytes old_blob;
    if (c.key_exists) old_blob = protect("under the old key");
    const std::string old_key = c.key_exists ? read_file(key) : std::string();
    std::thread([&] {
      const testing::ScopedFault no_pool({Call::Madvise, Effect::Fail, EINVAL});
      const testing::ScopedFault failing(
          {Call::Getrandom, Effect::Fail, ENOSYS, nullptr, c.good_draws});
      auto blob = protect_body("note"sv);
      ASSERT_FALSE(blob);
      EXPECT_EQ(blob.error(), CryptoError::protect_failed(kGenFailure));
      EXPECT_EQ(failing.calls(), c.good_draws + 1);
      if (c.key_exists) {
        auto text = unprotect_body(old_blob);
        ASSERT_TRUE(text) << text.error().detail();
        EXPECT_EQ(*text, "under the old key");
      }
    }).join();
    if (c.key_exists) {
      EXPECT_EQ(read_file(key), old_key);
      EXPECT_EQ(names_in(key.parent_path()), std::vector<std::string>{"master.key"});
    } else {
      EXPECT_FALSE(fs::exists(key));
      EXPECT_EQ(names_in(key.parent_path()), std::vector<std::string>{});
    }
  }
}

// A key file that cannot be opened is refused as Windows refuses a key it
// cannot reach, and is left as it is.
TEST_F(KeyStore, AKeyFileThatCannotBeOpenedIsRefused) {
  const Bytes blob = protect("note");
  const std::pair<int, const char*> cases[] = {
      {EACCES, kAccessDenied}, {EPERM, kAccessDenied}, {EIO, kGenFailure}, {EMFILE, kGenFailure}};
  for (const auto& [error, detail] : cases) {
    SCOPED_TRACE(error);
    // A thread of its own holds no key yet, so it opens the file.
    std::thread([&] {
      const testing::ScopedFault fault(
          {testing::Call::Open, testing::Effect::Fail, error, "/master.key"});
      expect_refused(blob, detail);
    }).join();
  }
}

}  // namespace
}  // namespace norvane
