// ProcessPrng from bcryptprimitives.dll: the system's per-process generator.
#ifdef _WIN32

#include "platform/random.h"

#include "platform/windows/win32.h"

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

}  // namespace

bool fill_random(std::span<std::uint8_t> out) noexcept {
  if (out.empty()) return true;
  const ProcessPrngFn prng = process_prng();
  return prng != nullptr && prng(out.data(), out.size()) != FALSE;
}

}  // namespace norvane::platform

#endif  // _WIN32
