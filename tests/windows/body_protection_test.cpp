// Body protection through the real CryptProtectData and CryptUnprotectData.
#include <gtest/gtest.h>

#include <string>

#include "dpapi_calls.h"
#include "norvane/protect/body.h"
#include "platform/data_protection.h"
#include "platform/system_error.h"
#include "protect/last_error.h"
#include "support/sample_bodies.h"
#include "wine.h"

namespace norvane {
namespace {

using namespace std::string_view_literals;

constexpr std::string_view kInvalidDataCode = " (0x8007000D)";

[[nodiscard]] Bytes protect(std::string_view body) {
  auto blob = protect_body(body);
  EXPECT_TRUE(blob) << (blob ? "" : blob.error().detail());
  return blob ? *blob : Bytes{};
}

TEST(WindowsBodyProtection, RoundTripGivesBackTheSameBytes) {
  const testing::DpapiCallLog log;
  const std::vector<std::string> bodies = testing::sample_bodies();
  for (const auto& body : bodies) {
    const Bytes blob = protect(body);
    EXPECT_NE(blob, body);
    if (body.size() >= 8) {
      EXPECT_EQ(blob.find(body), std::string::npos) << "the body is stored in the clear";
    }
    auto text = unprotect_body(blob);
    ASSERT_TRUE(text) << text.error().detail();
    EXPECT_EQ(*text, body);
  }
  // For the current user only: not for the machine's scope, which any user
  // of the machine could reverse, and with nothing else to know.
  ASSERT_FALSE(log.calls().empty());
  for (const testing::DpapiCall& call : log.calls()) {
    SCOPED_TRACE(call.protect ? "CryptProtectData" : "CryptUnprotectData");
    EXPECT_EQ(call.flags, 0u);
    EXPECT_FALSE(call.optional_arguments);
  }
}

TEST(WindowsBodyProtection, EveryByteValueRoundTripsThroughUnprotectBytes) {
  std::string bytes;
  for (int round = 0; round < 3; ++round) {
    for (int b = 255; b >= 0; --b) bytes.push_back(static_cast<char>(b));
  }
  auto back = unprotect_bytes(protect(bytes));
  ASSERT_TRUE(back) << back.error().detail();
  EXPECT_EQ(*back, bytes);
}

TEST(WindowsBodyProtection, EmptyBodyAndEmptyBlobStayEmpty) {
  auto blob = protect_body(""sv);
  ASSERT_TRUE(blob);
  EXPECT_TRUE(blob->empty());
  auto text = unprotect_body(""sv);
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->empty());
}

TEST(WindowsBodyProtection, ChangedByteIsRefused) {
  const Bytes blob = protect("a secret body");
  ASSERT_TRUE(unprotect_body(blob));
  if (testing::running_under_wine()) {
    GTEST_SKIP() << "Wine's CryptUnprotectData does not check the blob's integrity: it accepts "
                    "a blob with a changed byte, Windows refuses it";
  }
  for (const std::size_t at : {blob.size() / 2, blob.size() - 1}) {
    Bytes changed = blob;
    changed[at] = static_cast<char>(changed[at] ^ 0x01);
    auto text = unprotect_body(changed);
    ASSERT_FALSE(text) << "byte " << at;
    EXPECT_EQ(text.error().kind(), CryptoError::Kind::UnprotectFailed);
  }
}

TEST(WindowsBodyProtection, ForeignBlobFailsWithTheSystemsTextAndCode) {
  auto text = unprotect_body("this is not a protected blob"sv);
  ASSERT_FALSE(text);
  const CryptoError& error = text.error();
  EXPECT_EQ(error.kind(), CryptoError::Kind::UnprotectFailed);
  const std::string detail = error.detail();
  EXPECT_EQ(error.message(), "DPAPI CryptUnprotectData failed: " + detail);

  // The message, without its line break, then the code.
  ASSERT_TRUE(detail.ends_with(kInvalidDataCode)) << detail;
  const std::string message = detail.substr(0, detail.size() - kInvalidDataCode.size());
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(message, testing::plain_system_message(13));
  EXPECT_EQ(message.find_first_of("\r\n"), std::string::npos) << message;

  if (testing::running_under_wine()) {
    GTEST_SKIP() << "Wine words this system message as \"Invalid data.\", Windows as \"The data "
                    "is invalid.\"";
  }
  if (testing::english_user_interface()) {
    EXPECT_EQ(detail, "The data is invalid. (0x8007000D)");
  }
}

// The service's output is wiped before it is freed. The heap keeps its
// bookkeeping in the first bytes of a freed block, so only the rest of a
// longer text is compared.
TEST(WindowsBodyProtection, UnprotectedBytesThatAreNotUtf8FailWithUtf8Decode) {
  std::string longer;
  for (int i = 0; i < 255; ++i) longer.push_back(static_cast<char>('a' + i % 26));
  longer.push_back('\xff');
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"\xff"sv, "invalid utf-8 sequence of 1 bytes from index 0"sv},
      {"a\xe2\x82"sv, "incomplete utf-8 byte sequence from index 1"sv},
      {longer, "invalid utf-8 sequence of 1 bytes from index 255"sv},
  };
  constexpr std::size_t kBookkeeping = 32;
  for (const auto& [bytes, expected] : cases) {
    const Bytes blob = protect(bytes);
    auto raw = unprotect_bytes(blob);
    ASSERT_TRUE(raw);
    EXPECT_EQ(*raw, bytes);
    // Before the call, and read before anything else is allocated, so that
    // nothing else can take the block.
    std::string freed(bytes.size(), '\0');
    const testing::DpapiCallLog log;
    auto text = unprotect_body(blob);
    ASSERT_EQ(log.calls().size(), 1u);
    ASSERT_EQ(log.calls()[0].output_size, bytes.size());
    SIZE_T read = 0;
    ASSERT_TRUE(ReadProcessMemory(GetCurrentProcess(), log.calls()[0].output, freed.data(),
                                  freed.size(), &read));
    ASSERT_FALSE(text);
    EXPECT_EQ(text.error().kind(), CryptoError::Kind::Utf8Decode);
    EXPECT_EQ(text.error().detail(), expected);
    if (bytes.size() > kBookkeeping) {
      EXPECT_NE(freed.substr(kBookkeeping), bytes.substr(kBookkeeping))
          << "the plaintext is still there";
    }
  }
}

TEST(WindowsDataProtection, FailureHandsBackTheCodeThatIsTheThreadsLastError) {
  auto out = platform::unprotect_data("garbage"sv);
  ASSERT_FALSE(out);
  EXPECT_EQ(out.error(), platform::kErrorInvalidData);
  EXPECT_EQ(platform::last_error(), out.error());
  EXPECT_EQ(last_error_text(), error_text_for(out.error()));
}

}  // namespace
}  // namespace norvane
