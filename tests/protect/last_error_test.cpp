#include "protect/last_error.h"

#include <gtest/gtest.h>

#include <thread>

#include "platform/posix/system_error.h"
#include "platform/system_error.h"
#include "platform/utf16.h"
#include "protect/last_error_detail.h"

namespace norvane {
namespace {

TEST(LastErrorCode, PositiveValuesTakeTheWin32HresultForm) {
  using detail::hresult_from_last_error;
  EXPECT_EQ(hresult_from_last_error(0), 0u);
  EXPECT_EQ(hresult_from_last_error(13), 0x8007000Du);
  EXPECT_EQ(hresult_from_last_error(0xFFFF), 0x8007FFFFu);
  // Only the low 16 bits of a positive value are kept.
  EXPECT_EQ(hresult_from_last_error(0x1234ABCD), 0x8007ABCDu);
  EXPECT_EQ(hresult_from_last_error(0x7FFFFFFF), 0x8007FFFFu);
  // Negative values are HRESULTs already.
  EXPECT_EQ(hresult_from_last_error(0x8009000B), 0x8009000Bu);
  EXPECT_EQ(hresult_from_last_error(0x80000000), 0x80000000u);
  EXPECT_EQ(hresult_from_last_error(0xFFFFFFFF), 0xFFFFFFFFu);
}

TEST(LastErrorText, FormatsMessageAndCode) {
  EXPECT_EQ(detail::format_error_text(0x8007000D, "The data is invalid."),
            "The data is invalid. (0x8007000D)");
  EXPECT_EQ(detail::format_error_text(0xABCDEF, ""), "0x00ABCDEF");
  EXPECT_EQ(detail::format_code(0), "0x00000000");
  EXPECT_EQ(detail::format_code(0xFFFFFFFF), "0xFFFFFFFF");
}

TEST(LastErrorText, KnownCodesCarryTheSystemMessage) {
  EXPECT_EQ(error_text_for(0), "0x00000000");
  EXPECT_EQ(error_text_for(13), "The data is invalid. (0x8007000D)");
  EXPECT_EQ(error_text_for(0x8007000D), "The data is invalid. (0x8007000D)");
  EXPECT_EQ(error_text_for(5), "Access is denied. (0x80070005)");
  EXPECT_EQ(error_text_for(31), "A device attached to the system is not functioning. (0x8007001F)");
  EXPECT_EQ(error_text_for(87), "The parameter is incorrect. (0x80070057)");
  EXPECT_EQ(error_text_for(112), "There is not enough space on the disk. (0x80070070)");
  EXPECT_EQ(error_text_for(0x8009000B), "Key not valid for use in specified state. (0x8009000B)");
}

TEST(LastErrorText, CodesWithoutAMessageStandAlone) {
  EXPECT_EQ(error_text_for(9999), "0x8007270F");
  EXPECT_EQ(error_text_for(0x80004005), "0x80004005");
  // An NTSTATUS-flagged code is looked up in ntdll's table, which has no
  // entry here; a Win32 code in the same message id slot must not be used.
  EXPECT_EQ(error_text_for(0x9007000D), "0x9007000D");
}

TEST(LastErrorText, ReadsTheCallingThreadsLastError) {
  platform::set_last_error(13);
  EXPECT_EQ(last_error_text(), "The data is invalid. (0x8007000D)");
  std::thread other([] {
    EXPECT_EQ(platform::last_error(), 0u);
    platform::set_last_error(5);
  });
  other.join();
  EXPECT_EQ(last_error_text(), "The data is invalid. (0x8007000D)");
  platform::set_last_error(0);
  EXPECT_EQ(last_error_text(), "0x00000000");
}

TEST(SystemMessageText, TrailingWhiteSpaceGoesAndTheRestIsKept) {
  using platform::message_from_utf16;
  EXPECT_EQ(message_from_utf16(u"Access is denied.\r\n"), "Access is denied.");
  EXPECT_EQ(message_from_utf16(u" a\tb \t\n\v\f\r "), " a\tb");
  EXPECT_EQ(message_from_utf16(u"\r\n"), "");
  // No-break space and NUL are not white space here.
  EXPECT_EQ(message_from_utf16(u"a\u00A0"), "a\u00A0");
  EXPECT_EQ(message_from_utf16(std::u16string_view(u"a\0", 2)), std::string("a\0", 2));
}

TEST(SystemMessageText, Utf16BecomesUtf8WithReplacementForLoneSurrogates) {
  using platform::utf16_to_utf8_lossy;
  EXPECT_EQ(utf16_to_utf8_lossy(u"Zugriff verweigert \u00E9\u20AC"), "Zugriff verweigert é€");
  EXPECT_EQ(utf16_to_utf8_lossy(u"\U0001F389"), "\U0001F389");
  const char16_t lone_high[] = {u'a', 0xD83C, u'b'};
  EXPECT_EQ(utf16_to_utf8_lossy({lone_high, 3}), "a\uFFFDb");
  const char16_t lone_low[] = {0xDF89, u'x'};
  EXPECT_EQ(utf16_to_utf8_lossy({lone_low, 2}), "\uFFFDx");
  const char16_t high_at_end[] = {u'x', 0xD83C};
  EXPECT_EQ(utf16_to_utf8_lossy({high_at_end, 2}), "x\uFFFD");
  const char16_t swapped[] = {0xDF89, 0xD83C};
  EXPECT_EQ(utf16_to_utf8_lossy({swapped, 2}), "\uFFFD\uFFFD");
}

}  // namespace
}  // namespace norvane
