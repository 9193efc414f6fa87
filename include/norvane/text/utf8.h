// Strict UTF-8 validation (Unicode, chapter 3): no overlong forms, no
// surrogate code points, nothing above U+10FFFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

struct Utf8Error {
  // How many leading bytes are well-formed.
  std::size_t valid_up_to = 0;
  // Length of the maximal subpart that is not well-formed at valid_up_to (1
  // to 3); nullopt when the input ends inside a sequence that was acceptable
  // so far.
  std::optional<std::uint8_t> error_len;

  // "invalid utf-8 sequence of {n} bytes from index {i}" or
  // "incomplete utf-8 byte sequence from index {i}".
  [[nodiscard]] std::string text() const;

  friend bool operator==(const Utf8Error&, const Utf8Error&) = default;
};

[[nodiscard]] std::expected<void, Utf8Error> validate_utf8(std::string_view bytes) noexcept;

}  // namespace norvane
