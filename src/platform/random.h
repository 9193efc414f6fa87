// Cryptographically secure random bytes from the operating system.
#pragma once

#include <cstdint>
#include <span>

namespace norvane::platform {

// Fills `out` completely, or returns false when the generator failed.
[[nodiscard]] bool fill_random(std::span<std::uint8_t> out) noexcept;

}  // namespace norvane::platform
