#include "platform/clock.h"

#include "platform/windows/win32.h"

namespace norvane::platform {

// Windows 10 1803 and later; older SDK headers lack the name.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

namespace {
// 100-nanosecond intervals between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kEpochOffset = 116'444'736'000'000'000ULL;

// Sleep(1) sleeps until the next tick of the system timer, 15.6 ms unless some
// program has raised the timer resolution with timeBeginPeriod, which is a
// setting of the whole process (of the whole system before Windows 10 2004)
// and costs power for as long as it is in force. A high-resolution waitable
// timer wakes its waiter after the time asked for, to about half a
// millisecond, and changes nothing for anyone else. One per thread, made on
// the thread's first pause.
class PauseTimer {
 public:
  PauseTimer() noexcept
      : handle_(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                       TIMER_ALL_ACCESS)) {}
  PauseTimer(const PauseTimer&) = delete;
  PauseTimer& operator=(const PauseTimer&) = delete;
  ~PauseTimer() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }

  // False when there is no such timer (before Windows 10 1803) or it fails.
  [[nodiscard]] bool wait(std::uint32_t milliseconds) const noexcept {
    if (handle_ == nullptr) return false;
    LARGE_INTEGER due{};
    due.QuadPart = -static_cast<LONGLONG>(milliseconds) * 10'000;  // relative, in 100 ns
    return SetWaitableTimerEx(handle_, &due, 0, nullptr, nullptr, nullptr, 0) != FALSE &&
           WaitForSingleObject(handle_, INFINITE) == WAIT_OBJECT_0;
  }

 private:
  HANDLE handle_;
};
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

void sleep_milliseconds(std::uint32_t milliseconds) noexcept {
  thread_local const PauseTimer timer;
  if (!timer.wait(milliseconds)) Sleep(milliseconds);  // rounded up to the timer's tick
}

}  // namespace norvane::platform
