#include "text/utf8.h"

#include <gtest/gtest.h>
#include <unicode/utf8.h>

#include <random>
#include <string>

namespace norvane {
namespace {

std::string bytes(std::initializer_list<unsigned> values) {
  std::string out;
  for (unsigned v : values) out.push_back(static_cast<char>(v));
  return out;
}

Utf8Error error_of(const std::string& input) {
  auto result = validate_utf8(input);
  EXPECT_FALSE(result.has_value()) << "accepted";
  return result ? Utf8Error{} : result.error();
}

TEST(Utf8Validate, AcceptsWellFormedText) {
  EXPECT_TRUE(validate_utf8(""));
  EXPECT_TRUE(validate_utf8("plain ascii, long enough to take the sixteen-byte path twice"));
  EXPECT_TRUE(validate_utf8("Grüße, Καλημέρα, こんにちは, 🎉"));
  // The edges of each sequence length and around the surrogate block.
  EXPECT_TRUE(validate_utf8(bytes({0x7F, 0xC2, 0x80, 0xDF, 0xBF})));        // U+007F U+0080 U+07FF
  EXPECT_TRUE(validate_utf8(bytes({0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF})));  // U+0800 U+FFFF
  EXPECT_TRUE(validate_utf8(bytes({0xED, 0x9F, 0xBF, 0xEE, 0x80, 0x80})));  // U+D7FF U+E000
  EXPECT_TRUE(
      validate_utf8(bytes({0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBF})));  // U+10000 U+10FFFF
  EXPECT_TRUE(validate_utf8(std::string("a\0b", 3)));
}

TEST(Utf8Validate, MessageForms) {
  EXPECT_EQ(error_of(bytes({0xFF})).text(), "invalid utf-8 sequence of 1 bytes from index 0");
  EXPECT_EQ(error_of(bytes({0x61, 0xE2, 0x82})).text(),
            "incomplete utf-8 byte sequence from index 1");
  EXPECT_EQ(error_of(bytes({0x61, 0x62, 0xE2, 0x82, 0x41})).text(),
            "invalid utf-8 sequence of 2 bytes from index 2");
}

struct Case {
  const char* name;
  std::string input;
  Utf8Error expected;
};

TEST(Utf8Validate, InvalidSequencesReportIndexAndMaximalSubpart) {
  const Case cases[] = {
      {"lone continuation", bytes({0x41, 0x80}), {1, 1}},
      {"overlong two-byte C0", bytes({0xC0, 0x80}), {0, 1}},
      {"overlong two-byte C1", bytes({0xC1, 0xBF}), {0, 1}},
      {"overlong three-byte", bytes({0xE0, 0x80, 0x80}), {0, 1}},
      {"overlong three-byte top", bytes({0xE0, 0x9F, 0xBF}), {0, 1}},
      {"overlong four-byte", bytes({0xF0, 0x8F, 0xBF, 0xBF}), {0, 1}},
      {"high surrogate", bytes({0xED, 0xA0, 0x80}), {0, 1}},
      {"low surrogate", bytes({0x61, 0xED, 0xBF, 0xBF}), {1, 1}},
      {"above U+10FFFF via F4", bytes({0xF4, 0x90, 0x80, 0x80}), {0, 1}},
      {"lead F5", bytes({0xF5, 0x80, 0x80, 0x80}), {0, 1}},
      {"lead FE", bytes({0xFE}), {0, 1}},
      {"two-byte, bad second", bytes({0xC3, 0x28}), {0, 1}},
      {"three-byte, bad second", bytes({0xE2, 0x28, 0xA1}), {0, 1}},
      {"three-byte, bad third", bytes({0xE2, 0x82, 0x28}), {0, 2}},
      {"four-byte, bad second", bytes({0xF0, 0x28, 0x8C, 0xBC}), {0, 1}},
      {"four-byte, bad third", bytes({0xF0, 0x9F, 0x28, 0x80}), {0, 2}},
      {"four-byte, bad fourth", bytes({0xF0, 0x9F, 0x98, 0x28}), {0, 3}},
      {"bad third after valid text", bytes({0xC3, 0xA9, 0xE2, 0x82, 0xC3}), {2, 2}},
      {"new lead where a continuation belongs", bytes({0xF0, 0x9F, 0x98, 0xF0}), {0, 3}},
  };
  for (const auto& c : cases) {
    auto result = validate_utf8(c.input);
    ASSERT_FALSE(result) << c.name;
    EXPECT_EQ(result.error(), c.expected) << c.name << ": " << result.error().text();
  }
}

TEST(Utf8Validate, TruncatedSequencesAtTheEndAreIncomplete) {
  const Case cases[] = {
      {"two-byte lead alone", bytes({0xC3}), {0, std::nullopt}},
      {"three-byte lead alone", bytes({0x61, 0xE0}), {1, std::nullopt}},
      {"three-byte, two of three", bytes({0xE0, 0xA0}), {0, std::nullopt}},
      {"four-byte, three of four", bytes({0xF0, 0x9F, 0x98}), {0, std::nullopt}},
      {"F4, two of four", bytes({0xF4, 0x8F}), {0, std::nullopt}},
  };
  for (const auto& c : cases) {
    auto result = validate_utf8(c.input);
    ASSERT_FALSE(result) << c.name;
    EXPECT_EQ(result.error(), c.expected) << c.name << ": " << result.error().text();
  }
  // A truncated sequence whose bytes already do not fit is invalid, not
  // incomplete.
  EXPECT_EQ(error_of(bytes({0xE0, 0x80})), (Utf8Error{0, 1}));
  EXPECT_EQ(error_of(bytes({0xF4, 0x90})), (Utf8Error{0, 1}));
  EXPECT_EQ(error_of(bytes({0xED, 0xA0})), (Utf8Error{0, 1}));
}

TEST(Utf8Validate, ErrorPositionIsExactAcrossTheAsciiFastPath) {
  for (std::size_t prefix = 0; prefix < 70; ++prefix) {
    for (std::size_t suffix : {0u, 1u, 17u}) {
      std::string input(prefix, 'x');
      input.push_back(static_cast<char>(0x80));
      input.append(suffix, 'y');
      EXPECT_EQ(error_of(input), (Utf8Error{prefix, 1})) << prefix << "+" << suffix;
    }
    std::string valid(prefix, 'x');
    valid += "é";
    EXPECT_TRUE(validate_utf8(valid + std::string(prefix, 'z'))) << prefix;
  }
}

// ICU's decoder implements the same maximal-subpart rule independently; the
// validator and the decoder must agree with it on every input.
TEST(Utf8Validate, AgreesWithIcuOnRandomInputs) {
  std::mt19937 rng(20240607);
  const unsigned char interesting[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                       0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                       0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xFF};
  std::uniform_int_distribution<std::size_t> pick(0, sizeof interesting - 1);
  std::uniform_int_distribution<std::size_t> length(0, 12);
  for (int round = 0; round < 200000; ++round) {
    std::string input(length(rng), '\0');
    for (auto& ch : input) ch = static_cast<char>(interesting[pick(rng)]);

    const auto* s = reinterpret_cast<const std::uint8_t*>(input.data());
    const auto n = static_cast<std::int32_t>(input.size());
    std::int32_t i = 0;
    std::int32_t bad_at = -1, bad_len = 0;
    std::size_t decoded_at = 0;
    while (i < n) {
      const std::int32_t start = i;
      UChar32 c = 0;
      U8_NEXT(s, i, n, c);
      const char32_t ours = next_code_point(input, decoded_at);
      ASSERT_EQ(ours, c < 0 ? kReplacementCharacter : static_cast<char32_t>(c)) << round;
      ASSERT_EQ(decoded_at, static_cast<std::size_t>(i)) << round;
      if (c < 0 && bad_at < 0) {
        bad_at = start;
        bad_len = i - start;
      }
    }
    auto result = validate_utf8(input);
    if (bad_at < 0) {
      EXPECT_TRUE(result) << round;
      continue;
    }
    ASSERT_FALSE(result) << round;
    EXPECT_EQ(result.error().valid_up_to, static_cast<std::size_t>(bad_at)) << round;
    if (result.error().error_len) {
      EXPECT_EQ(*result.error().error_len, bad_len) << round;
    } else {
      // ICU reports a truncated tail as one bad sequence up to the end.
      EXPECT_EQ(bad_at + bad_len, n) << round;
    }
  }
}

}  // namespace
}  // namespace norvane
