#include "platform/windows/wide.h"

#include "platform/utf16.h"

namespace norvane::platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

namespace {

[[nodiscard]] std::u16string_view as_utf16(std::wstring_view text) noexcept {
  return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}

}  // namespace

std::wstring to_wide(std::string_view utf8) {
  // Not MultiByteToWideChar: it would turn an unpaired surrogate's form into
  // U+FFFD, and a path would then name another file.
  const std::u16string units = utf8_to_utf16(utf8, true);
  return std::wstring(reinterpret_cast<const wchar_t*>(units.data()), units.size());
}

std::string to_utf8(std::wstring_view utf16) {
  return utf16_to_utf8_lossy(as_utf16(utf16));
}

std::string to_wtf8(std::wstring_view utf16) {
  return utf16_to_wtf8(as_utf16(utf16));
}

}  // namespace norvane::platform
