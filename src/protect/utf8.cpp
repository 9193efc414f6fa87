#include "norvane/protect/utf8.h"

#include <bit>
#include <cstring>

namespace norvane {

namespace {

constexpr bool is_continuation(unsigned char b) noexcept {
  return (b & 0xC0) == 0x80;
}

// The allowed range of the second byte after a lead byte of a 3- or 4-byte
// sequence; the range excludes overlong forms, surrogates and values above
// U+10FFFF.
struct Range {
  unsigned char lo, hi;
};

constexpr Range second_byte_range(unsigned char lead) noexcept {
  switch (lead) {
    case 0xE0:
      return {0xA0, 0xBF};
    case 0xED:
      return {0x80, 0x9F};
    case 0xF0:
      return {0x90, 0xBF};
    case 0xF4:
      return {0x80, 0x8F};
    default:
      return {0x80, 0xBF};
  }
}

// Total length of the sequence that `lead` starts, or 0 when it is not a lead.
constexpr std::size_t sequence_length(unsigned char lead) noexcept {
  if (lead < 0x80) return 1;
  if (lead < 0xC2) return 0;
  if (lead < 0xE0) return 2;
  if (lead < 0xF0) return 3;
  if (lead < 0xF5) return 4;
  return 0;
}

constexpr std::uint64_t kHighBits = 0x8080'8080'8080'8080ull;

// Index of the first byte, in memory order, whose high bit is set in `high`
// (a word loaded from memory, masked with kHighBits, not zero).
[[nodiscard]] std::size_t first_marked_byte(std::uint64_t high) noexcept {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(high)) / 8;
  } else {
    return static_cast<std::size_t>(std::countl_zero(high)) / 8;
  }
}

}  // namespace

std::string Utf8Error::text() const {
  if (!error_len) return "incomplete utf-8 byte sequence from index " + std::to_string(valid_up_to);
  return "invalid utf-8 sequence of " + std::to_string(*error_len) + " bytes from index " +
         std::to_string(valid_up_to);
}

std::expected<void, Utf8Error> validate_utf8(std::string_view bytes) noexcept {
  const auto* const p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    // ASCII runs, thirty-two bytes at a time while they last, then eight; a
    // block that is not all ASCII is skipped up to its first byte with the
    // high bit set.
    while (i + 32 <= n) {
      std::uint64_t w[4];
      std::memcpy(w, p + i, sizeof w);
      if (((w[0] | w[1] | w[2] | w[3]) & kHighBits) != 0) break;
      i += 32;
    }
    while (i + 8 <= n) {
      std::uint64_t a = 0;
      std::memcpy(&a, p + i, 8);
      if (const std::uint64_t high = a & kHighBits; high != 0) {
        i += first_marked_byte(high);
        break;
      }
      i += 8;
    }
    while (i < n && p[i] < 0x80) ++i;
    if (i == n) break;
    const unsigned char lead = p[i];  // not ASCII
    const std::size_t len = sequence_length(lead);
    if (len == 0) return std::unexpected(Utf8Error{i, 1});
    // Check each following byte in turn; the first one that does not fit
    // ends the maximal subpart, and running out of input first means the
    // sequence is incomplete.
    for (std::size_t k = 1; k < len; ++k) {
      if (i + k >= n) return std::unexpected(Utf8Error{i, std::nullopt});
      const unsigned char b = p[i + k];
      const bool fits = k == 1 && len > 2
                            ? (b >= second_byte_range(lead).lo && b <= second_byte_range(lead).hi)
                            : is_continuation(b);
      if (!fits) return std::unexpected(Utf8Error{i, static_cast<std::uint8_t>(k)});
    }
    i += len;
  }
  return {};
}

}  // namespace norvane
