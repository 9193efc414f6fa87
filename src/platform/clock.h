// The wall clock and the monotonic clock.
#pragma once

#include <cstdint>

namespace norvane::platform {

// A UTC instant as whole seconds since 1970-01-01T00:00:00Z and nanoseconds.
struct UtcTime {
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;  // 0 to 999,999,999
};

// The current UTC time from the system's precise wall clock.
[[nodiscard]] UtcTime utc_now() noexcept;

// A reading of the monotonic high-resolution clock, in nanoseconds from an
// arbitrary origin.
[[nodiscard]] std::uint64_t monotonic_nanoseconds() noexcept;

}  // namespace norvane::platform
