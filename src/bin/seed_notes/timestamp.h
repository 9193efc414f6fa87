// RFC 3339 timestamps in UTC, as the note store keeps them.
#pragma once

#include <cstdint>
#include <string>

#include "norvane/env.h"

namespace norvane::seeder {

// "YYYY-MM-DDTHH:MM:SS[.fff|.ffffff|.fffffffff]+00:00": the fraction is left
// out when zero, else written with the fewest of 3, 6 or 9 digits that are
// exact. The offset is always +00:00, never Z.
[[nodiscard]] std::string format_rfc3339(env::UtcTime time);

// `time` moved back by whole seconds; the fraction is kept.
[[nodiscard]] constexpr env::UtcTime seconds_before(env::UtcTime time,
                                                    std::int64_t seconds) noexcept {
  return {time.seconds - seconds, time.nanoseconds};
}

}  // namespace norvane::seeder
