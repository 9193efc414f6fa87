// The strict UTF-8 validator against ICU's decoder: the same verdict, the
// same index of the first bad byte and the same length of the bad part.
#include <unicode/utf8.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "check.h"
#include "norvane/text/utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > (1U << 20)) return 0;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const auto n = static_cast<std::int32_t>(size);
  std::int32_t i = 0;
  std::int32_t bad_at = -1;
  std::int32_t bad_len = 0;
  while (i < n) {
    const std::int32_t start = i;
    UChar32 c = 0;
    U8_NEXT(data, i, n, c);
    if (c < 0) {
      bad_at = start;
      bad_len = i - start;
      break;
    }
  }
  const auto result = norvane::validate_utf8(input);
  if (bad_at < 0) {
    FUZZ_CHECK(result.has_value());
    return 0;
  }
  FUZZ_CHECK(!result.has_value());
  const norvane::Utf8Error& error = result.error();
  FUZZ_CHECK(error.valid_up_to == static_cast<std::size_t>(bad_at));
  if (error.error_len) {
    FUZZ_CHECK(*error.error_len == bad_len);
    FUZZ_CHECK(*error.error_len >= 1 && *error.error_len <= 3);
  } else {
    // A sequence cut off by the end of the input: ICU reports it as one bad
    // part reaching the end, starting with a lead byte.
    FUZZ_CHECK(bad_at + bad_len == n);
    FUZZ_CHECK(data[bad_at] >= 0xC2 && data[bad_at] <= 0xF4);
  }
  // The prefix before the error is well-formed on its own.
  FUZZ_CHECK(norvane::validate_utf8(input.substr(0, error.valid_up_to)).has_value());
  return 0;
}
