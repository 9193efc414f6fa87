#include "platform/random.h"

#include <openssl/rand.h>

#include <algorithm>
#include <climits>
#include <cstddef>

namespace norvane::platform {

bool fill_random(std::span<std::uint8_t> out) noexcept {
  // RAND_bytes takes an int count; OpenSSL's DRBGs are seeded from getrandom.
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  while (!out.empty()) {
    const std::size_t n = std::min(out.size(), kChunk);
    if (RAND_bytes(out.data(), static_cast<int>(n)) != 1) return false;
    out = out.subspan(n);
  }
  return true;
}

}  // namespace norvane::platform
