// Strict UTF-8 validation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

namespace norvane {

struct Utf8Error {
  std::size_t valid_up_to = 0;
  std::optional<std::uint8_t> error_len;  // nullopt: the input ends inside a sequence
  [[nodiscard]] std::string text() const;
};

[[nodiscard]] std::expected<void, Utf8Error> validate_utf8(std::string_view bytes) noexcept;

}  // namespace norvane
