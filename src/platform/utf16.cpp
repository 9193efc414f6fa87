#include "platform/utf16.h"

namespace norvane::platform {

namespace {

constexpr bool is_high_surrogate(char32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
constexpr bool is_low_surrogate(char32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// Appends the code points of `text` to `out`: each surrogate pair as one,
// each unpaired surrogate as `unpaired` gives it.
template <typename Unpaired>
void append_utf16_as_utf8(std::string& out, std::u16string_view text, Unpaired unpaired) {
  out.reserve(out.size() + text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char32_t unit = text[i];
    if (is_high_surrogate(unit) && i + 1 < text.size() && is_low_surrogate(text[i + 1])) {
      const char32_t cp = 0x10000 + ((unit - 0xD800) << 10) + (char32_t{text[i + 1]} - 0xDC00);
      append_utf8(out, cp);
      ++i;
    } else if (is_surrogate(unit)) {
      append_utf8(out, unpaired(unit));
    } else {
      append_utf8(out, unit);
    }
  }
}

}  // namespace

#ifdef _WIN32
std::u16string utf8_to_utf16(std::string_view text, bool wtf8) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char32_t cp = next_code_point(text, i, wtf8);
    if (cp < 0x10000) {
      out.push_back(static_cast<char16_t>(cp));
    } else {
      out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
    }
  }
  return out;
}

std::string utf16_to_wtf8(std::u16string_view text) {
  std::string out;
  append_utf16_as_utf8(out, text, [](char32_t unit) { return unit; });
  return out;
}
#endif  // _WIN32

std::string utf16_to_utf8_lossy(std::u16string_view text) {
  std::string out;
  append_utf16_as_utf8(out, text, [](char32_t) { return kReplacementCharacter; });
  return out;
}

std::u16string_view trim_trailing_space(std::u16string_view text) noexcept {
  while (!text.empty()) {
    const char16_t last = text.back();
    if (last != 0x20 && (last < 0x09 || last > 0x0D)) break;
    text.remove_suffix(1);
  }
  return text;
}

std::string message_from_utf16(std::u16string_view text) {
  return utf16_to_utf8_lossy(trim_trailing_space(text));
}

}  // namespace norvane::platform
