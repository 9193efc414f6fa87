#include "cng_faults.h"

#include <cstdio>
#include <cstdlib>

namespace norvane::testing {

namespace {

struct Armed {
  bool on = false;
  CngCall call = CngCall::OpenAlgorithmProvider;
  NTSTATUS status = 0;
  int skip = 0;
  bool written_short = false;
  int seen = 0;
  int hits = 0;
  const void* output = nullptr;
  ULONG output_size = 0;
};

Armed g_fault;

}  // namespace

ScopedCngFault::ScopedCngFault(CngCall call, NTSTATUS status, int skip, bool written_short) {
  if (g_fault.on) {
    std::fputs("cng_faults: a fault is armed already\n", stderr);
    std::abort();
  }
  g_fault = Armed{true, call, status, skip, written_short, 0, 0, nullptr, 0};
}

ScopedCngFault::~ScopedCngFault() {
  g_fault.on = false;
}

int ScopedCngFault::hits() const noexcept {
  return g_fault.hits;
}

const void* ScopedCngFault::output() const noexcept {
  return g_fault.output;
}

ULONG ScopedCngFault::output_size() const noexcept {
  return g_fault.output_size;
}

}  // namespace norvane::testing

namespace {

using norvane::testing::CngCall;
using norvane::testing::g_fault;

// Whether the fault changes this call of `call`.
[[nodiscard]] bool hit(CngCall call) noexcept {
  if (!g_fault.on || g_fault.call != call) return false;
  if (g_fault.seen++ < g_fault.skip) return false;
  ++g_fault.hits;
  return true;
}

// What the call reports: its own status, or the fault's.
[[nodiscard]] NTSTATUS outcome(CngCall call, NTSTATUS status) noexcept {
  return hit(call) ? g_fault.status : status;
}

}  // namespace

// The hooks. The linker sends every call of `name` to __wrap_name, and
// __real_name to the real function.
extern "C" {

NTSTATUS WINAPI __real_BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* algorithm, LPCWSTR id,
                                                   LPCWSTR implementation, ULONG flags);
NTSTATUS WINAPI __real_BCryptSetProperty(BCRYPT_HANDLE object, LPCWSTR property, PUCHAR input,
                                         ULONG size, ULONG flags);
NTSTATUS WINAPI __real_BCryptGenerateSymmetricKey(BCRYPT_ALG_HANDLE algorithm,
                                                  BCRYPT_KEY_HANDLE* key, PUCHAR key_object,
                                                  ULONG key_object_size, PUCHAR secret,
                                                  ULONG secret_size, ULONG flags);
NTSTATUS WINAPI __real_BCryptDecrypt(BCRYPT_KEY_HANDLE key, PUCHAR input, ULONG input_size,
                                     VOID* padding, PUCHAR iv, ULONG iv_size, PUCHAR output,
                                     ULONG output_size, ULONG* written, ULONG flags);
NTSTATUS WINAPI __real_BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG size,
                                       ULONG flags);

NTSTATUS WINAPI __wrap_BCryptOpenAlgorithmProvider(BCRYPT_ALG_HANDLE* algorithm, LPCWSTR id,
                                                   LPCWSTR implementation, ULONG flags) {
  return outcome(CngCall::OpenAlgorithmProvider,
                 __real_BCryptOpenAlgorithmProvider(algorithm, id, implementation, flags));
}

NTSTATUS WINAPI __wrap_BCryptSetProperty(BCRYPT_HANDLE object, LPCWSTR property, PUCHAR input,
                                         ULONG size, ULONG flags) {
  return outcome(CngCall::SetProperty,
                 __real_BCryptSetProperty(object, property, input, size, flags));
}

NTSTATUS WINAPI __wrap_BCryptGenerateSymmetricKey(BCRYPT_ALG_HANDLE algorithm,
                                                  BCRYPT_KEY_HANDLE* key, PUCHAR key_object,
                                                  ULONG key_object_size, PUCHAR secret,
                                                  ULONG secret_size, ULONG flags) {
  return outcome(CngCall::GenerateSymmetricKey,
                 __real_BCryptGenerateSymmetricKey(algorithm, key, key_object, key_object_size,
                                                   secret, secret_size, flags));
}

NTSTATUS WINAPI __wrap_BCryptDecrypt(BCRYPT_KEY_HANDLE key, PUCHAR input, ULONG input_size,
                                     VOID* padding, PUCHAR iv, ULONG iv_size, PUCHAR output,
                                     ULONG output_size, ULONG* written, ULONG flags) {
  const NTSTATUS status = __real_BCryptDecrypt(key, input, input_size, padding, iv, iv_size, output,
                                               output_size, written, flags);
  if (g_fault.on && output != nullptr && written != nullptr) {
    if (g_fault.output == nullptr) g_fault.output = output;
    g_fault.output_size += *written;
  }
  if (!hit(CngCall::Decrypt)) return status;
  if (!g_fault.written_short) return g_fault.status;
  if (written != nullptr && *written > 0) --*written;
  return status;
}

NTSTATUS WINAPI __wrap_BCryptGenRandom(BCRYPT_ALG_HANDLE algorithm, PUCHAR buffer, ULONG size,
                                       ULONG flags) {
  return outcome(CngCall::GenRandom, __real_BCryptGenRandom(algorithm, buffer, size, flags));
}

}  // extern "C"
