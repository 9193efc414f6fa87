// ProcessPrng from bcryptprimitives.dll: the system's per-process generator;
// BCryptGenRandom with the system-preferred generator where it is absent
// (before Windows 10, and Wine).
#ifdef _WIN32

#include "platform/random.h"

#include <algorithm>
#include <cstddef>

// clang-format off
#include "platform/windows/win32.h"
#include <bcrypt.h>
// clang-format on

namespace norvane::platform {

namespace {

using ProcessPrngFn = BOOL(WINAPI*)(PBYTE, SIZE_T);

// The SDK has no import library entry for ProcessPrng; it is looked up once
// and the module stays loaded for the life of the process.
[[nodiscard]] ProcessPrngFn process_prng() noexcept {
  static const ProcessPrngFn fn = [] {
    const HMODULE module =
        LoadLibraryExW(L"bcryptprimitives.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr) return ProcessPrngFn{nullptr};
    return reinterpret_cast<ProcessPrngFn>(
        reinterpret_cast<void*>(GetProcAddress(module, "ProcessPrng")));
  }();
  return fn;
}

// BCryptGenRandom counts in ULONG: a longer request goes in pieces.
[[nodiscard]] bool system_preferred_rng(std::span<std::uint8_t> out) noexcept {
  constexpr std::size_t kMaxPiece = 0xFFFF'FFFFu;
  while (!out.empty()) {
    const std::size_t n = std::min(out.size(), kMaxPiece);
    if (!BCRYPT_SUCCESS(BCryptGenRandom(nullptr, out.data(), static_cast<ULONG>(n),
                                        BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
      return false;
    }
    out = out.subspan(n);
  }
  return true;
}

}  // namespace

bool fill_random(std::span<std::uint8_t> out) noexcept {
  if (out.empty()) return true;
  if (const ProcessPrngFn prng = process_prng()) return prng(out.data(), out.size()) != FALSE;
  return system_preferred_rng(out);
}

}  // namespace norvane::platform

#endif  // _WIN32
