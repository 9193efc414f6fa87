// The wall clock, the monotonic clock, and a short pause of the calling thread.
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

// Suspends the calling thread for about `milliseconds` (at least that long),
// without keeping the processor busy. Meant for pauses of a few
// milliseconds: each is as short as the system's timers allow, not rounded up
// to a scheduler tick.
void sleep_milliseconds(std::uint32_t milliseconds) noexcept;

}  // namespace norvane::platform
