#include "timestamp.h"

#include <fmt/format.h>

#include <array>
#include <string_view>

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

std::string format_rfc3339(env::UtcTime time) {
  const std::int64_t days = floor_div(time.seconds, 86400);
  const auto second_of_day = static_cast<unsigned>(time.seconds - days * 86400);
  const CivilDate date = civil_from_days(days);
  const bool four_digit_year = date.year >= 0 && date.year <= 9999;

  // "YYYY-MM-DDTHH:MM:SS", the fraction, "+00:00": at most 35 characters,
  // written digit by digit into one buffer.
  std::array<char, 35> buf{};
  char* p = buf.data();
  const auto digits = [&p](std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
      p[i] = static_cast<char>('0' + value % 10);
      value /= 10;
    }
    p += count;
  };
  digits(four_digit_year ? static_cast<std::uint32_t>(date.year) : 0, 4);
  *p++ = '-';
  digits(date.month, 2);
  *p++ = '-';
  digits(date.day, 2);
  *p++ = 'T';
  digits(second_of_day / 3600, 2);
  *p++ = ':';
  digits(second_of_day / 60 % 60, 2);
  *p++ = ':';
  digits(second_of_day % 60, 2);
  const std::uint32_t ns = time.nanoseconds;
  if (ns == 0) {
  } else if (ns % 1'000'000 == 0) {
    *p++ = '.';
    digits(ns / 1'000'000, 3);
  } else if (ns % 1'000 == 0) {
    *p++ = '.';
    digits(ns / 1'000, 6);
  } else {
    *p++ = '.';
    digits(ns, 9);
  }
  for (const char c : std::string_view("+00:00")) *p++ = c;
  const std::string_view text(buf.data(), static_cast<std::size_t>(p - buf.data()));
  if (four_digit_year) return std::string(text);
  // Never met by the note store's dates: the whole year, at least four
  // digits, with its sign when negative.
  return fmt::format("{:05}{}", date.year, text.substr(4));
}

}  // namespace norvane::seeder
