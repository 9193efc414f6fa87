// GetLastError and FormatMessageW.
#ifdef _WIN32

#include "platform/system_error.h"

#include "platform/utf16.h"
#include "platform/windows/win32.h"

namespace norvane::platform {

namespace {

// A module handle from LoadLibraryExA, freed on every path.
class Module {
 public:
  explicit Module(HMODULE module) noexcept : module_(module) {}
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;
  ~Module() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  [[nodiscard]] HMODULE get() const noexcept { return module_; }

 private:
  HMODULE module_;
};

// A buffer that FormatMessageW allocated, freed on the process heap.
class HeapText {
 public:
  HeapText() = default;
  HeapText(const HeapText&) = delete;
  HeapText& operator=(const HeapText&) = delete;
  ~HeapText() {
    if (text_ != nullptr) HeapFree(GetProcessHeap(), 0, text_);
  }
  [[nodiscard]] LPWSTR* out() noexcept { return &text_; }
  [[nodiscard]] const wchar_t* get() const noexcept { return text_; }

 private:
  LPWSTR text_ = nullptr;
};

}  // namespace

std::uint32_t last_error() noexcept {
  return GetLastError();
}

std::string system_message(std::uint32_t message_id, bool from_ntdll) {
  DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
  const Module module(from_ntdll
                          ? LoadLibraryExA("ntdll.dll", nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS)
                          : nullptr);
  if (from_ntdll) flags |= FORMAT_MESSAGE_FROM_HMODULE;
  HeapText text;
  // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives a
  // pointer to the allocated text.
  const DWORD length = FormatMessageW(flags, module.get(), message_id, 0,
                                      reinterpret_cast<LPWSTR>(text.out()), 0, nullptr);
  if (length == 0 || text.get() == nullptr) return {};
  static_assert(sizeof(wchar_t) == sizeof(char16_t));
  return message_from_utf16(
      std::u16string_view(reinterpret_cast<const char16_t*>(text.get()), length));
}

}  // namespace norvane::platform

#endif  // _WIN32
