// The text of failed system calls, from the system's own message tables.
#include "platform/system_error.h"

#include <gtest/gtest.h>

#include <string>

#include "protect/last_error.h"
#include "wine.h"
// clang-format off
#include "platform/windows/win32.h"
#include <dpapi.h>
// clang-format on

namespace norvane {
namespace {

TEST(WindowsLastErrorText, ARealFailedCallReadsAsTheSystemMessageAndTheCode) {
  char garbage[] = "not a protected blob";
  DATA_BLOB in{static_cast<DWORD>(sizeof garbage), reinterpret_cast<BYTE*>(garbage)};
  DATA_BLOB out{0, nullptr};
  ASSERT_FALSE(CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, 0, &out));
  const std::string text = last_error_text();

  const std::string message = testing::plain_system_message(ERROR_INVALID_DATA);
  ASSERT_FALSE(message.empty());
  EXPECT_EQ(text, message + " (0x8007000D)");
  if (testing::running_under_wine()) {
    GTEST_SKIP() << "Wine words this system message as \"Invalid data.\", Windows as \"The data "
                    "is invalid.\"";
  }
  if (testing::english_user_interface()) {
    EXPECT_EQ(text, "The data is invalid. (0x8007000D)");
  }
}

TEST(WindowsLastErrorText, Win32CodesAndTheirHresultFormsReadAlike) {
  for (const std::uint32_t code : {5u, 13u, 87u, 112u}) {
    const std::string text = error_text_for(code);
    EXPECT_EQ(text, error_text_for(0x8007'0000u | code));
    const std::string message = testing::plain_system_message(code);
    ASSERT_FALSE(message.empty()) << code;
    EXPECT_TRUE(text.starts_with(message + " (0x8007")) << text;
  }
}

TEST(WindowsLastErrorText, CodesWithoutAMessageStandAlone) {
  // A customer-defined HRESULT the system has no text for.
  EXPECT_EQ(error_text_for(0xE000'1234u), "0xE0001234");
  // An NTSTATUS value is not in the system's Win32 table.
  EXPECT_EQ(error_text_for(0xC000'0022u), "0xC0000022");
}

TEST(WindowsLastErrorText, NtStatusFlaggedCodesReadFromNtdllsTable) {
  // 0xC0000022 is STATUS_ACCESS_DENIED; the flag 0x10000000 sends the lookup
  // to ntdll.dll.
  const std::string text = error_text_for(0xD000'0022u);
  if (testing::running_under_wine() && text == "0xD0000022") {
    GTEST_SKIP() << "Wine's ntdll.dll has no message table for NTSTATUS values";
  }
  ASSERT_TRUE(text.ends_with(" (0xD0000022)")) << text;
  EXPECT_GT(text.size(), std::string_view(" (0xD0000022)").size());
  // The message's trailing line break is gone; inner ones are the system's.
  EXPECT_NE(text[text.size() - std::string_view(" (0xD0000022)").size() - 1], '\n');
}

}  // namespace
}  // namespace norvane
