#include "platform/clock.h"

#include <time.h>

namespace norvane::platform {

UtcTime utc_now() noexcept {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  return {static_cast<std::int64_t>(ts.tv_sec), static_cast<std::uint32_t>(ts.tv_nsec)};
}

std::uint64_t monotonic_nanoseconds() noexcept {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1'000'000'000ULL +
         static_cast<std::uint64_t>(ts.tv_nsec);
}

}  // namespace norvane::platform
