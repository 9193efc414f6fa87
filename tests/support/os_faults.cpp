#include "support/os_faults.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

namespace norvane::testing {

namespace {

struct Slot {
  std::atomic<bool> armed{false};
  Fault fault{Call::Open};
  std::atomic<int> calls{0};
  std::atomic<int> hits{0};
};

std::array<Slot, kCallCount> g_slots;

[[nodiscard]] Slot& slot(Call call) noexcept {
  return g_slots[static_cast<std::size_t>(call)];
}

[[nodiscard]] bool armed(Call call) noexcept {
  return slot(call).armed.load(std::memory_order_acquire);
}

// The armed fault of `call` when it changes this call (made on `path`, null
// for a call without one); null when the call is to pass unchanged.
[[nodiscard]] const Fault* fault_for(Call call, const char* path, const void* buffer = nullptr,
                                     std::size_t size = 0) noexcept {
  Slot& s = slot(call);
  if (!s.armed.load(std::memory_order_acquire)) return nullptr;
  const Fault& fault = s.fault;
  if (fault.path_part != nullptr &&
      (path == nullptr || std::strstr(path, fault.path_part) == nullptr)) {
    return nullptr;
  }
  const int seen = s.calls.fetch_add(1);
  if (fault.on_call != nullptr) fault.on_call(buffer, size);
  if (fault.effect == Effect::Count || seen < fault.skip) return nullptr;
  if (fault.times >= 0 && seen >= fault.skip + fault.times) return nullptr;
  s.hits.fetch_add(1);
  return &fault;
}

// The path that a descriptor refers to; empty when it cannot be read.
[[nodiscard]] std::string path_of_fd(int fd) {
  std::array<char, 64> link{};
  std::snprintf(link.data(), link.size(), "/proc/self/fd/%d", fd);
  std::array<char, 4096> path{};
  const ssize_t n = ::readlink(link.data(), path.data(), path.size() - 1);
  return n > 0 ? std::string(path.data(), static_cast<std::size_t>(n)) : std::string();
}

// The same for a call on a descriptor, matched by the path it refers to.
[[nodiscard]] const Fault* fault_for_fd(Call call, int fd) noexcept {
  if (!armed(call)) return nullptr;
  return fault_for(call, path_of_fd(fd).c_str());
}

// What FsCallLog records.
struct CallLog {
  std::atomic<bool> on{false};
  std::atomic<int> fail_directory_sync{0};
  std::mutex mutex;
  std::vector<std::string> calls;

  void record(std::string call) {
    const std::scoped_lock lock(mutex);
    calls.push_back(std::move(call));
  }
};

CallLog g_log;

// After a mkdir that the hook passed on.
void log_mkdir(const char* path, int result) {
  if (!g_log.on || result != 0) return;
  std::error_code ec;
  g_log.record("mkdir " + std::filesystem::absolute(path, ec).string());
}

// Before an fsync that the hook passes on: whether the log fails it, with
// errno set; otherwise `*record` tells whether the call is to be recorded.
bool log_fails_fsync(int fd, bool* record) {
  *record = false;
  struct stat st {};
  if (!g_log.on || ::fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  if (const int fail = g_log.fail_directory_sync; fail != 0) {
    errno = fail;
    return true;
  }
  *record = true;
  return false;
}

void log_fsync(int fd) {
  g_log.record("fsync " + path_of_fd(fd));
}

}  // namespace

FsCallLog::FsCallLog(int fail_directory_sync) {
  {
    const std::scoped_lock lock(g_log.mutex);
    g_log.calls.clear();
  }
  g_log.fail_directory_sync = fail_directory_sync;
  g_log.on = true;
}

FsCallLog::~FsCallLog() {
  g_log.on = false;
}

std::vector<std::string> FsCallLog::calls() const {
  const std::scoped_lock lock(g_log.mutex);
  return g_log.calls;
}

ScopedFault::ScopedFault(const Fault& fault) : call_(fault.call) {
  Slot& s = slot(call_);
  if (s.armed.load()) {
    std::fputs("os_faults: a fault on this call is armed already\n", stderr);
    std::abort();
  }
  s.fault = fault;
  s.calls = 0;
  s.hits = 0;
  s.armed.store(true, std::memory_order_release);
}

ScopedFault::~ScopedFault() {
  slot(call_).armed.store(false, std::memory_order_release);
}

int ScopedFault::calls() const noexcept {
  return slot(call_).calls.load();
}

int ScopedFault::hits() const noexcept {
  return slot(call_).hits.load();
}

}  // namespace norvane::testing

using norvane::testing::Call;
using norvane::testing::Effect;
using norvane::testing::Fault;
using norvane::testing::fault_for;
using norvane::testing::fault_for_fd;

// The hooks. The linker sends every call of `name` to __wrap_name, and
// __real_name to the real function.
extern "C" {

int __real_open(const char* path, int flags, ...);
int __real_mkdir(const char* path, mode_t mode);
ssize_t __real_write(int fd, const void* data, size_t size);
int __real_fsync(int fd);
int __real_close(int fd);
ssize_t __real_getrandom(void* data, size_t size, unsigned flags);
void* __real_mmap(void* address, size_t size, int protection, int flags, int fd, off_t offset);
int __real_madvise(void* address, size_t size, int advice);
EVP_CIPHER* __real_EVP_CIPHER_fetch(OSSL_LIB_CTX* context, const char* algorithm,
                                    const char* properties);
EVP_CIPHER_CTX* __real_EVP_CIPHER_CTX_new();
int __real_EVP_CipherInit_ex2(EVP_CIPHER_CTX* ctx, const EVP_CIPHER* cipher,
                              const unsigned char* key, const unsigned char* iv, int encrypt,
                              const OSSL_PARAM params[]);
int __real_EVP_CipherUpdate(EVP_CIPHER_CTX* ctx, unsigned char* out, int* out_size,
                            const unsigned char* in, int in_size);
int __real_EVP_EncryptFinal_ex(EVP_CIPHER_CTX* ctx, unsigned char* out, int* out_size);
int __real_EVP_CIPHER_CTX_ctrl(EVP_CIPHER_CTX* ctx, int type, int arg, void* ptr);

int __wrap_open(const char* path, int flags, ...) {
  mode_t mode = 0;
  if ((flags & O_CREAT) != 0 || (flags & O_TMPFILE) == O_TMPFILE) {
    va_list args;
    va_start(args, flags);
    mode = va_arg(args, mode_t);
    va_end(args);
  }
  if (const Fault* fault = fault_for(Call::Open, path)) {
    errno = fault->error;
    return -1;
  }
  return __real_open(path, flags, mode);
}

int __wrap_mkdir(const char* path, mode_t mode) {
  if (const Fault* fault = fault_for(Call::Mkdir, path)) {
    if (fault->error == EEXIST) (void)__real_mkdir(path, mode);
    errno = fault->error;
    return -1;
  }
  const int result = __real_mkdir(path, mode);
  const int error = errno;
  norvane::testing::log_mkdir(path, result);
  errno = error;
  return result;
}

ssize_t __wrap_write(int fd, const void* data, size_t size) {
  if (const Fault* fault = fault_for_fd(Call::Write, fd)) {
    switch (fault->effect) {
      case Effect::Zero:
        errno = 0;
        return 0;
      case Effect::Short:
        return __real_write(fd, data, std::min(size, fault->at_most));
      default:
        errno = fault->error;
        return -1;
    }
  }
  return __real_write(fd, data, size);
}

int __wrap_fsync(int fd) {
  if (const Fault* fault = fault_for_fd(Call::Fsync, fd)) {
    errno = fault->error;
    return -1;
  }
  bool record = false;
  if (norvane::testing::log_fails_fsync(fd, &record)) return -1;
  const int result = __real_fsync(fd);
  const int error = errno;
  if (record && result == 0) norvane::testing::log_fsync(fd);
  errno = error;
  return result;
}

int __wrap_close(int fd) {
  if (const Fault* fault = fault_for_fd(Call::Close, fd)) {
    (void)__real_close(fd);
    errno = fault->error;
    return -1;
  }
  return __real_close(fd);
}

ssize_t __wrap_getrandom(void* data, size_t size, unsigned flags) {
  if (const Fault* fault = fault_for(Call::Getrandom, nullptr)) {
    switch (fault->effect) {
      case Effect::Zero:
        errno = 0;
        return 0;
      case Effect::Short: {
        const size_t given = std::min(size, fault->at_most);
        std::memset(data, norvane::testing::kFakeRandomByte, given);
        return static_cast<ssize_t>(given);
      }
      default:
        errno = fault->error;
        return -1;
    }
  }
  return __real_getrandom(data, size, flags);
}

void* __wrap_mmap(void* address, size_t size, int protection, int flags, int fd, off_t offset) {
  if (const Fault* fault = fault_for(Call::Mmap, nullptr)) {
    errno = fault->error;
    return MAP_FAILED;
  }
  return __real_mmap(address, size, protection, flags, fd, offset);
}

int __wrap_madvise(void* address, size_t size, int advice) {
  if (const Fault* fault = fault_for(Call::Madvise, nullptr)) {
    errno = fault->error;
    return -1;
  }
  return __real_madvise(address, size, advice);
}

EVP_CIPHER* __wrap_EVP_CIPHER_fetch(OSSL_LIB_CTX* context, const char* algorithm,
                                    const char* properties) {
  if (fault_for(Call::CipherFetch, nullptr) != nullptr) return nullptr;
  return __real_EVP_CIPHER_fetch(context, algorithm, properties);
}

EVP_CIPHER_CTX* __wrap_EVP_CIPHER_CTX_new() {
  if (fault_for(Call::CipherCtxNew, nullptr) != nullptr) return nullptr;
  return __real_EVP_CIPHER_CTX_new();
}

int __wrap_EVP_CipherInit_ex2(EVP_CIPHER_CTX* ctx, const EVP_CIPHER* cipher,
                              const unsigned char* key, const unsigned char* iv, int encrypt,
                              const OSSL_PARAM params[]) {
  const int result = __real_EVP_CipherInit_ex2(ctx, cipher, key, iv, encrypt, params);
  return fault_for(Call::CipherInit, nullptr) != nullptr ? 0 : result;
}

int __wrap_EVP_CipherUpdate(EVP_CIPHER_CTX* ctx, unsigned char* out, int* out_size,
                            const unsigned char* in, int in_size) {
  const int result = __real_EVP_CipherUpdate(ctx, out, out_size, in, in_size);
  const std::size_t written =
      result == 1 && out_size != nullptr && *out_size > 0 ? static_cast<std::size_t>(*out_size) : 0;
  return fault_for(Call::CipherUpdate, nullptr, out, written) != nullptr ? 0 : result;
}

int __wrap_EVP_EncryptFinal_ex(EVP_CIPHER_CTX* ctx, unsigned char* out, int* out_size) {
  const int result = __real_EVP_EncryptFinal_ex(ctx, out, out_size);
  return fault_for(Call::EncryptFinal, nullptr) != nullptr ? 0 : result;
}

int __wrap_EVP_CIPHER_CTX_ctrl(EVP_CIPHER_CTX* ctx, int type, int arg, void* ptr) {
  const int result = __real_EVP_CIPHER_CTX_ctrl(ctx, type, arg, ptr);
  return fault_for(Call::CipherCtrl, nullptr) != nullptr ? 0 : result;
}

}  // extern "C"
