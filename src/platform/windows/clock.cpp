#include "platform/clock.h"

#include "platform/windows/win32.h"

namespace norvane::platform {

namespace {
// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kEpochOffset = 116'444'736'000'000'000ULL;
}  // namespace

UtcTime utc_now() noexcept {
  FILETIME ft{};
  GetSystemTimePreciseAsFileTime(&ft);
  const std::uint64_t ticks =
      (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  const std::uint64_t since_epoch = ticks - kEpochOffset;
  return {static_cast<std::int64_t>(since_epoch / 10'000'000ULL),
          static_cast<std::uint32_t>((since_epoch % 10'000'000ULL) * 100)};
}

std::uint64_t monotonic_nanoseconds() noexcept {
  static const std::uint64_t frequency = [] {
    LARGE_INTEGER f{};
    QueryPerformanceFrequency(&f);
    return static_cast<std::uint64_t>(f.QuadPart);
  }();
  LARGE_INTEGER counter{};
  QueryPerformanceCounter(&counter);
  const auto ticks = static_cast<std::uint64_t>(counter.QuadPart);
  return ticks / frequency * 1'000'000'000ULL + ticks % frequency * 1'000'000'000ULL / frequency;
}

}  // namespace norvane::platform
