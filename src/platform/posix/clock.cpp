#include "platform/clock.h"

#include <errno.h>
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

void sleep_milliseconds(std::uint32_t milliseconds) noexcept {
  // nanosleep measures against CLOCK_MONOTONIC and wakes within the thread's
  // timer slack (50 us by default); a signal only shortens what is left.
  timespec left{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1'000'000L};
  while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

}  // namespace norvane::platform
