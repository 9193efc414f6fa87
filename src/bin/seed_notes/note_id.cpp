#include "note_id.h"

#include <span>

#include "norvane/env.h"
#include "norvane/text/hex.h"

namespace norvane::seeder {

std::string format_uuid_v4(std::array<std::uint8_t, 16> bytes) {
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
  // Groups of 4, 2, 2, 2 and 6 bytes, joined by hyphens.
  const std::span<const std::uint8_t> all(bytes);
  std::string out;
  out.reserve(36);
  hex::append(out, all.subspan(0, 4));
  for (std::size_t at = 4; at < 10; at += 2) {
    out.push_back('-');
    hex::append(out, all.subspan(at, 2));
  }
  out.push_back('-');
  hex::append(out, all.subspan(10));
  return out;
}

std::expected<std::string, IoError> new_note_id() {
  std::array<std::uint8_t, 16> bytes{};
  if (!env::fill_random(bytes)) {
    return std::unexpected(
        IoError::custom("Other", "the system's random number generator is not available"));
  }
  return format_uuid_v4(bytes);
}

}  // namespace norvane::seeder
