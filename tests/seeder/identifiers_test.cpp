#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <random>
#include <set>
#include <string>

#include "note_id.h"
#include "stopwatch.h"
#include "timestamp.h"
#ifdef _WIN32
#include "windows/cng_faults.h"
#else
#include <thread>

#include "support/os_faults.h"
#endif

namespace norvane::seeder {
namespace {

env::UtcTime at(std::int64_t seconds, std::uint32_t nanoseconds = 0) {
  return {seconds, nanoseconds};
}

constexpr std::int64_t k20250310Noon = 1741608000;  // 2025-03-10T12:00:00Z

TEST(Rfc3339, WritesTheFewestExactFractionDigitsAndAlwaysTheZeroOffset) {
  EXPECT_EQ(format_rfc3339(at(0)), "1970-01-01T00:00:00+00:00");
  EXPECT_EQ(format_rfc3339(at(k20250310Noon)), "2025-03-10T12:00:00+00:00");
  EXPECT_EQ(format_rfc3339(at(k20250310Noon, 123'000'000)), "2025-03-10T12:00:00.123+00:00");
  EXPECT_EQ(format_rfc3339(at(k20250310Noon, 123'456'000)), "2025-03-10T12:00:00.123456+00:00");
  EXPECT_EQ(format_rfc3339(at(k20250310Noon, 123'456'700)), "2025-03-10T12:00:00.123456700+00:00");
  EXPECT_EQ(format_rfc3339(at(k20250310Noon, 1)), "2025-03-10T12:00:00.000000001+00:00");
  EXPECT_EQ(format_rfc3339(at(k20250310Noon, 5'000'000)), "2025-03-10T12:00:00.005+00:00");
}

TEST(Rfc3339, HandlesLeapDaysAndYearEnds) {
  EXPECT_EQ(format_rfc3339(at(951782400)), "2000-02-29T00:00:00+00:00");
  EXPECT_EQ(format_rfc3339(at(1735689599)), "2024-12-31T23:59:59+00:00");
  EXPECT_EQ(format_rfc3339(at(4107542400)), "2100-03-01T00:00:00+00:00");
  EXPECT_EQ(format_rfc3339(at(-1)), "1969-12-31T23:59:59+00:00");
  // Beyond four digits, which no clock of the note store reaches: the whole
  // year, signed when negative, and the rest as ever.
  EXPECT_EQ(format_rfc3339(at(253402300799, 5'000'000)), "9999-12-31T23:59:59.005+00:00");
  EXPECT_EQ(format_rfc3339(at(253402300800, 123'456'000)), "10000-01-01T00:00:00.123456+00:00");
  EXPECT_EQ(format_rfc3339(at(-62167219200)), "0000-01-01T00:00:00+00:00");
  EXPECT_EQ(format_rfc3339(at(-62167219201, 1)), "-0001-12-31T23:59:59.000000001+00:00");
}

// Against an independent reference built from the standard calendar types
// and printf, for instants spread over the four-digit years and every kind of
// fraction.
TEST(Rfc3339, AgreesWithTheCalendarOfTheStandardLibrary) {
  std::mt19937_64 rng(20250310);
  // 1970-01-01 to 9999-12-31.
  std::uniform_int_distribution<std::int64_t> when(0, 253402300799);
  const std::array<std::uint32_t, 4> unit{1'000'000'000, 1'000'000, 1'000, 1};
  for (int i = 0; i < 20000; ++i) {
    const std::int64_t s = when(rng);
    // A multiple of a whole second (zero), millisecond, microsecond or
    // nanosecond.
    const std::uint32_t step = unit[static_cast<std::size_t>(i) % unit.size()];
    const auto ns = static_cast<std::uint32_t>(rng() % (1'000'000'000 / step)) * step;

    using namespace std::chrono;
    const sys_seconds tp{std::chrono::seconds{s}};
    const auto day = floor<days>(tp);
    const year_month_day ymd{day};
    const hh_mm_ss<std::chrono::seconds> hms{tp - day};
    char expected[64];
    std::snprintf(expected, sizeof expected, "%04d-%02u-%02uT%02ld:%02ld:%02lld",
                  static_cast<int>(ymd.year()), static_cast<unsigned>(ymd.month()),
                  static_cast<unsigned>(ymd.day()), static_cast<long>(hms.hours().count()),
                  static_cast<long>(hms.minutes().count()),
                  static_cast<long long>(hms.seconds().count()));
    std::string want = expected;
    if (ns != 0) {
      char fraction[16];
      if (ns % 1'000'000 == 0) {
        std::snprintf(fraction, sizeof fraction, ".%03u", ns / 1'000'000);
      } else if (ns % 1'000 == 0) {
        std::snprintf(fraction, sizeof fraction, ".%06u", ns / 1'000);
      } else {
        std::snprintf(fraction, sizeof fraction, ".%09u", ns);
      }
      want += fraction;
    }
    want += "+00:00";
    ASSERT_EQ(format_rfc3339(at(s, ns)), want) << s << " " << ns;
  }
}

TEST(Rfc3339, BackDatingKeepsTheFraction) {
  const auto instant = at(k20250310Noon, 123'456'700);
  // 60 days, 240 hours and 30 days back, as for an archived demo note.
  EXPECT_EQ(format_rfc3339(seconds_before(instant, 60 * 86400)),
            "2025-01-09T12:00:00.123456700+00:00");
  EXPECT_EQ(format_rfc3339(seconds_before(instant, 4 * 60 * 3600)),
            "2025-02-28T12:00:00.123456700+00:00");
  EXPECT_EQ(format_rfc3339(seconds_before(instant, 45 / 2 * 86400)),
            "2025-02-16T12:00:00.123456700+00:00");
}

TEST(NoteId, SetsVersionAndVariantBitsAndFormatsLowerCaseGroups) {
  std::array<std::uint8_t, 16> ones{};
  ones.fill(0xFF);
  EXPECT_EQ(format_uuid_v4(ones), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  EXPECT_EQ(format_uuid_v4({}), "00000000-0000-4000-8000-000000000000");
}

TEST(NoteId, FreshIdentifiersAreVersion4AndDistinct) {
  std::set<std::string> seen;
  for (int i = 0; i < 200; ++i) {
    auto id = new_note_id();
    ASSERT_TRUE(id.has_value());
    ASSERT_EQ(id->size(), 36U);
    EXPECT_EQ((*id)[14], '4');
    EXPECT_NE(std::string_view("89ab").find((*id)[19]), std::string_view::npos) << *id;
    seen.insert(*id);
  }
  EXPECT_EQ(seen.size(), 200U);
}

// A generator that fails gives no identifier, rather than one made of bytes
// that were never drawn.
TEST(NoteId, AFailingGeneratorGivesAnErrorAndNoIdentifier) {
  std::expected<std::string, IoError> id;
#ifdef _WIN32
  // BCryptGenRandom stands in where the system lacks ProcessPrng (Wine).
  const testing::ScopedCngFault fault(testing::CngCall::GenRandom);
  id = new_note_id();
  if (fault.hits() == 0) GTEST_SKIP() << "ProcessPrng is there, and it cannot fail";
#else
  // A thread of its own has no random bytes at hand, so it asks the kernel.
  std::thread([&] {
    const testing::ScopedFault fault({testing::Call::Getrandom, testing::Effect::Fail, ENOSYS});
    id = new_note_id();
  }).join();
#endif
  ASSERT_FALSE(id.has_value());
  EXPECT_EQ(
      id.error().debug(),
      R"(Custom { kind: Other, error: "the system's random number generator is not available" })");
}

TEST(Milliseconds, ConvertsSecondsAndNanoseconds) {
  EXPECT_DOUBLE_EQ(to_milliseconds(0), 0.0);
  EXPECT_DOUBLE_EQ(to_milliseconds(123'456'000), 123.456);
  EXPECT_DOUBLE_EQ(to_milliseconds(2'500'000'000), 2500.0);
}

}  // namespace
}  // namespace norvane::seeder
