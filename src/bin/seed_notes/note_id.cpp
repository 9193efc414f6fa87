#include "note_id.h"

#include <span>

#include "norvane/env.h"

namespace norvane::seeder {

std::string format_uuid_v4(std::array<std::uint8_t, 16> bytes) {
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(36);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out.push_back('-');
    out.push_back(kHex[bytes[i] >> 4]);
    out.push_back(kHex[bytes[i] & 0x0F]);
  }
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
