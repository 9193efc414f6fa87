// Elapsed time on the monotonic clock, reported in milliseconds.
#pragma once

#include <cstdint>

#include "norvane/env.h"

namespace norvane::seeder {

// Milliseconds as (seconds + nanoseconds / 1e9) * 1000 of a duration given in
// nanoseconds.
[[nodiscard]] constexpr double to_milliseconds(std::uint64_t nanoseconds) noexcept {
  const auto seconds = static_cast<double>(nanoseconds / 1'000'000'000ULL);
  const auto rest = static_cast<double>(nanoseconds % 1'000'000'000ULL);
  return (seconds + rest / 1'000'000'000.0) * 1000.0;
}

class Stopwatch {
 public:
  Stopwatch() noexcept : start_(env::monotonic_nanoseconds()) {}
  [[nodiscard]] double elapsed_ms() const noexcept {
    return to_milliseconds(env::monotonic_nanoseconds() - start_);
  }

 private:
  std::uint64_t start_;
};

}  // namespace norvane::seeder
