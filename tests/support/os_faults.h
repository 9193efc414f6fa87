// Faults injected into the system and OpenSSL calls that the library makes,
// for the failure paths that a real system gives only rarely: a full disk
// while the key file is written, a kernel without a random generator, a
// cipher that OpenSSL cannot set up.
//
// A suite that uses this is linked with --wrap for each call below
// (norvane_inject_os_faults in tests/CMakeLists.txt), so that every call from
// the library and the tests goes through a hook. The hook passes the call on
// unchanged unless a fault for it is armed. The shipped library and program
// contain none of this.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace norvane::testing {

enum class Call {
  Open,
  Mkdir,
  Write,
  Fsync,
  Close,
  Getrandom,
  Mmap,
  Madvise,
  CipherFetch,   // EVP_CIPHER_fetch
  CipherCtxNew,  // EVP_CIPHER_CTX_new
  CipherInit,    // EVP_CipherInit_ex2
  CipherUpdate,  // EVP_CipherUpdate
  EncryptFinal,  // EVP_EncryptFinal_ex
  CipherCtrl,    // EVP_CIPHER_CTX_ctrl
};
inline constexpr std::size_t kCallCount = static_cast<std::size_t>(Call::CipherCtrl) + 1;

enum class Effect {
  // A system call fails with `error` without doing anything, except close,
  // which closes the descriptor first, as a close that reports a deferred
  // write error does, and mkdir with EEXIST, which makes the directory first,
  // as another process that got there just before would. An OpenSSL call does its work and then
  // reports
  // failure, so that a failure taken as success goes on undisturbed and
  // shows; EVP_CIPHER_fetch and EVP_CIPHER_CTX_new return null.
  Fail,
  // write and getrandom return 0.
  Zero,
  // write passes on at most `at_most` bytes; getrandom gives at most
  // `at_most` bytes of kFakeRandomByte instead of random ones.
  Short,
  // The call is only counted.
  Count,
};

inline constexpr std::uint8_t kFakeRandomByte = 0xA5;

struct Fault {
  Call call;
  Effect effect = Effect::Fail;
  int error = EIO;
  // Calls on a path (open, mkdir) or a descriptor (write, fsync, close):
  // only those whose path holds this text. Null: every call.
  const char* path_part = nullptr;
  int skip = 0;    // matching calls that pass unchanged before the fault
  int times = -1;  // matching calls affected after those; -1: every one
  std::size_t at_most = 1;
  // Called on every matching call, before its effect, from the thread that
  // makes it: for a cipher update with the output it wrote (after the real
  // call), for other calls with null and 0.
  void (*on_call)(const void* buffer, std::size_t size) = nullptr;
};

// Arms `fault` for the life of the object. One fault per call at a time;
// faults on different calls may be armed together. Arm and disarm from one
// thread while no other thread makes the call; the calls themselves may come
// from any thread.
class ScopedFault {
 public:
  explicit ScopedFault(const Fault& fault);
  ~ScopedFault();
  ScopedFault(const ScopedFault&) = delete;
  ScopedFault& operator=(const ScopedFault&) = delete;

  // Matching calls seen so far, and those of them the fault changed.
  [[nodiscard]] int calls() const noexcept;
  [[nodiscard]] int hits() const noexcept;

 private:
  Call call_;
};

// While it lives, records each mkdir that succeeds as "mkdir <path>" and each
// fsync of a directory as "fsync <path>", absolute paths, in call order. With
// a non-zero `fail_directory_sync`, every fsync of a directory fails with
// that errno instead (and is not recorded). Faults armed on mkdir or fsync
// come first: a call they change is not recorded.
class FsCallLog {
 public:
  explicit FsCallLog(int fail_directory_sync = 0);
  ~FsCallLog();
  FsCallLog(const FsCallLog&) = delete;
  FsCallLog& operator=(const FsCallLog&) = delete;

  [[nodiscard]] std::vector<std::string> calls() const;
};

}  // namespace norvane::testing
