// The wall clock and the monotonic clock.
#pragma once

#include <cstdint>

#include "norvane/env.h"

namespace norvane::platform {

// A UTC instant as whole seconds since 1970-01-01T00:00:00Z and nanoseconds;
// the type of the public interface.
using env::UtcTime;

// The current UTC time from the system's precise wall clock.
[[nodiscard]] UtcTime utc_now() noexcept;

// A reading of the monotonic high-resolution clock, in nanoseconds from an
// arbitrary origin.
[[nodiscard]] std::uint64_t monotonic_nanoseconds() noexcept;

}  // namespace norvane::platform
