// The steps of building the text of a failed system call, kept apart so that
// each can be checked on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace norvane::detail {

// A last-error value as an HRESULT: a positive value (read as signed 32-bit)
// is a Win32 code and becomes 0x8007xxxx from its low 16 bits; zero and
// negative values stay as they are.
[[nodiscard]] constexpr std::uint32_t hresult_from_last_error(std::uint32_t value) noexcept {
  if (static_cast<std::int32_t>(value) > 0) return (value & 0xFFFFu) | 0x8007'0000u;
  return value;
}

// "0x" and eight upper-case hexadecimal digits.
[[nodiscard]] std::string format_code(std::uint32_t code);

// "{message} ({code})", or the code alone when the message is empty.
[[nodiscard]] std::string format_error_text(std::uint32_t code, std::string_view message);

}  // namespace norvane::detail
