// The key of locked note bodies.
#pragma once

#include <cstdint>
#include <span>

namespace norvane {

// The 32-byte AES-256 key of locked bodies, lent for one call and only read;
// the library never stores it.
using VaultKey = std::span<const std::uint8_t, 32>;

}  // namespace norvane
