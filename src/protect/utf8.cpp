// Interim validator; replaced by the body-protection work.
#include "norvane/protect/utf8.h"

#include <fmt/format.h>
#include <unicode/utf8.h>

#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"

namespace norvane {

std::string Utf8Error::text() const {
  if (!error_len) return fmt::format("incomplete utf-8 byte sequence from index {}", valid_up_to);
  return fmt::format("invalid utf-8 sequence of {} bytes from index {}", *error_len, valid_up_to);
}

std::expected<void, Utf8Error> validate_utf8(std::string_view bytes) noexcept {
  int32_t i = 0;
  const auto n = static_cast<int32_t>(bytes.size());
  while (i < n) {
    const int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(bytes.data(), i, n, c);
    if (c < 0) {
      const auto len = static_cast<std::uint8_t>(i - start);
      if (i == n && len < 4 &&
          static_cast<unsigned char>(bytes[static_cast<std::size_t>(start)]) >= 0xC2 && static_cast<unsigned char>(bytes[static_cast<std::size_t>(start)]) <= 0xF4) {
        return std::unexpected(Utf8Error{static_cast<std::size_t>(start), std::nullopt});
      }
      return std::unexpected(Utf8Error{static_cast<std::size_t>(start), len});
    }
  }
  return {};
}

}  // namespace norvane
