#include "dpapi_calls.h"

// clang-format off
#include "platform/windows/win32.h"
#include <dpapi.h>
// clang-format on

namespace norvane::testing {

namespace {

bool g_on = false;
std::vector<DpapiCall> g_calls;

void record(bool protect, DWORD flags, bool optional_arguments, BOOL ok, const DATA_BLOB* out) {
  if (!g_on) return;
  // The caller reads the call's last error after it.
  const DWORD error = GetLastError();
  DpapiCall call{protect, flags, optional_arguments, nullptr, 0};
  if (ok && out != nullptr) {
    call.output = out->pbData;
    call.output_size = out->cbData;
  }
  g_calls.push_back(call);
  SetLastError(error);
}

}  // namespace

DpapiCallLog::DpapiCallLog() {
  g_calls.clear();
  g_on = true;
}

DpapiCallLog::~DpapiCallLog() {
  g_on = false;
}

const std::vector<DpapiCall>& DpapiCallLog::calls() const noexcept {
  return g_calls;
}

}  // namespace norvane::testing

// The hooks. dpapi.h declares both functions dllimport, so the library calls
// them through the pointers __imp_CryptProtectData and
// __imp_CryptUnprotectData: the linker sends every use of __imp_name to
// __wrap___imp_name, and __real___imp_name to the real pointer.
extern "C" {
extern decltype(&CryptProtectData) __real___imp_CryptProtectData;
extern decltype(&CryptUnprotectData) __real___imp_CryptUnprotectData;
}

namespace {

BOOL WINAPI protect_hook(DATA_BLOB* in, LPCWSTR description, DATA_BLOB* entropy, PVOID reserved,
                         CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out) {
  const BOOL ok =
      __real___imp_CryptProtectData(in, description, entropy, reserved, prompt, flags, out);
  norvane::testing::record(true, flags, description || entropy || reserved || prompt, ok, out);
  return ok;
}

BOOL WINAPI unprotect_hook(DATA_BLOB* in, LPWSTR* description, DATA_BLOB* entropy, PVOID reserved,
                           CRYPTPROTECT_PROMPTSTRUCT* prompt, DWORD flags, DATA_BLOB* out) {
  const BOOL ok =
      __real___imp_CryptUnprotectData(in, description, entropy, reserved, prompt, flags, out);
  norvane::testing::record(false, flags, description || entropy || reserved || prompt, ok, out);
  return ok;
}

}  // namespace

extern "C" {
decltype(&CryptProtectData) __wrap___imp_CryptProtectData = protect_hook;
decltype(&CryptUnprotectData) __wrap___imp_CryptUnprotectData = unprotect_hook;
}
