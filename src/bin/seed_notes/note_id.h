// Note identifiers: random version-4 UUIDs.
#pragma once

#include <array>
#include <cstdint>
#include <expected>
#include <string>

#include "norvane/error/io_error.h"

namespace norvane::seeder {

// The 36-character lower-case text of `bytes` with the version (4) and the
// RFC 4122 variant bits set.
[[nodiscard]] std::string format_uuid_v4(std::array<std::uint8_t, 16> bytes);

// A fresh identifier from the operating system's CSPRNG. Fails only when the
// generator does.
[[nodiscard]] std::expected<std::string, IoError> new_note_id();

}  // namespace norvane::seeder
