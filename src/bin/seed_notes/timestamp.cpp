#include "timestamp.h"

#include <fmt/format.h>

namespace norvane::seeder {

namespace {

struct CivilDate {
  std::int64_t year;
  unsigned month;
  unsigned day;
};

// Days since 1970-01-01 to a proleptic Gregorian date (H. Hinnant's method).
constexpr CivilDate civil_from_days(std::int64_t days) noexcept {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto doe = static_cast<unsigned>(days - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned day = doy - (153 * mp + 2) / 5 + 1;
  const unsigned month = mp < 10 ? mp + 3 : mp - 9;
  const std::int64_t year = static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0);
  return {year, month, day};
}

static_assert(civil_from_days(0).year == 1970 && civil_from_days(0).month == 1);
static_assert(civil_from_days(11017).year == 2000 && civil_from_days(11017).day == 1);

constexpr std::int64_t floor_div(std::int64_t a, std::int64_t b) noexcept {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

std::string format_rfc3339(platform::UtcTime time) {
  const std::int64_t days = floor_div(time.seconds, 86400);
  const auto second_of_day = static_cast<unsigned>(time.seconds - days * 86400);
  const CivilDate date = civil_from_days(days);
  std::string out =
      fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", date.year, date.month, date.day,
                  second_of_day / 3600, second_of_day / 60 % 60, second_of_day % 60);
  const std::uint32_t ns = time.nanoseconds;
  if (ns == 0) {
  } else if (ns % 1'000'000 == 0) {
    fmt::format_to(std::back_inserter(out), ".{:03}", ns / 1'000'000);
  } else if (ns % 1'000 == 0) {
    fmt::format_to(std::back_inserter(out), ".{:06}", ns / 1'000);
  } else {
    fmt::format_to(std::back_inserter(out), ".{:09}", ns);
  }
  out += "+00:00";
  return out;
}

}  // namespace norvane::seeder
