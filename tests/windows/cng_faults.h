// Failures injected into the CNG calls of the library: an algorithm provider,
// a key or a generator that the system refuses. windows_tests is linked with
// --wrap for each call below, so that every call goes through a hook that
// passes it on unchanged unless a fault for it is armed. The shipped program
// contains none of this.
#pragma once

// clang-format off
#include "platform/windows/win32.h"
#include <bcrypt.h>
// clang-format on

namespace norvane::testing {

enum class CngCall {
  OpenAlgorithmProvider,
  SetProperty,
  GenerateSymmetricKey,
  Decrypt,
  GenRandom,
};

// From the `skip`+1-th call of `call` on, for the life of the object, the
// call does its work and then reports `status`, so that a failure taken as
// success goes on undisturbed and shows. With `written_short`, BCryptDecrypt
// instead succeeds but reports one byte fewer than it wrote. Arm and disarm
// on the thread that makes the calls.
class ScopedCngFault {
 public:
  explicit ScopedCngFault(CngCall call, NTSTATUS status = static_cast<NTSTATUS>(0xC0000001L),
                          int skip = 0, bool written_short = false);
  ~ScopedCngFault();
  ScopedCngFault(const ScopedCngFault&) = delete;
  ScopedCngFault& operator=(const ScopedCngFault&) = delete;

  // Calls the fault changed so far.
  [[nodiscard]] int hits() const noexcept;

  // Where the first BCryptDecrypt since arming wrote, and how much all of
  // them wrote: an address only, which may be freed by the time it is read.
  [[nodiscard]] const void* output() const noexcept;
  [[nodiscard]] ULONG output_size() const noexcept;
};

}  // namespace norvane::testing
