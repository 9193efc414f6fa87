#include "norvane/protect/body.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "child.h"
#include "platform/data_protection.h"
#include "platform/posix/protection_format.h"
#include "printers.h"
#include "support/sample_bodies.h"
#include "support/system_messages.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using namespace std::string_view_literals;

namespace fs = std::filesystem;
using testing::kAccessDenied;
using testing::kBadKeyState;
using testing::kInvalidData;
using testing::kInvalidParameter;
using testing::run_child;
using testing::ScopedUserHome;
using testing::TempDir;

// Where the stand-in's blob holds the key identifier.
constexpr std::size_t kKeyIdBegin = platform::protection::blob::kKeyIdAt;
constexpr std::size_t kKeyIdEnd = kKeyIdBegin + platform::protection::kKeyIdBytes;

class BodyProtection : public ::testing::Test {
 protected:
  [[nodiscard]] fs::path key_file() const {
    return home_.dir().path() / "xdg" / "data-protection" / "master.key";
  }
  [[nodiscard]] Bytes protect(std::string_view body) {
    auto blob = protect_body(body);
    EXPECT_TRUE(blob) << (blob ? "" : blob.error().detail());
    return blob ? *blob : Bytes{};
  }

  ScopedUserHome home_;
};

TEST_F(BodyProtection, RoundTripGivesBackTheSameBytes) {
  const std::vector<std::string> bodies = testing::sample_bodies();
  for (const auto& body : bodies) {
    const Bytes blob = protect(body);
    EXPECT_NE(blob, body);
    auto text = unprotect_body(blob);
    ASSERT_TRUE(text) << text.error().detail();
    EXPECT_EQ(*text, body);
  }
}

TEST_F(BodyProtection, ArbitraryBytesRoundTripThroughUnprotectBytes) {
  std::string bytes(4099, '\0');
  std::mt19937 rng(11);
  for (auto& b : bytes) b = static_cast<char>(rng());
  auto back = unprotect_bytes(protect(bytes));
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, bytes);
}

TEST_F(BodyProtection, EmptyBodyIsAnEmptyBlobAndNeedsNoKey) {
  auto blob = protect_body(""sv);
  ASSERT_TRUE(blob);
  EXPECT_TRUE(blob->empty());
  auto text = unprotect_body(""sv);
  ASSERT_TRUE(text);
  EXPECT_TRUE(text->empty());
  auto bytes = unprotect_bytes(""sv);
  ASSERT_TRUE(bytes);
  EXPECT_TRUE(bytes->empty());
  // The service was never asked: no key was made.
  EXPECT_FALSE(fs::exists(key_file()));
}

TEST_F(BodyProtection, SameBodyTwiceGivesDifferentBlobsWithoutThePlaintext) {
  const std::string body = "Remember the milk, and the eggs, and the secret recipe.";
  const Bytes first = protect(body);
  const Bytes second = protect(body);
  EXPECT_NE(first, second);
  for (const Bytes* blob : {&first, &second}) {
    EXPECT_EQ(blob->find("milk"), std::string::npos);
    EXPECT_EQ(blob->find("secret recipe"), std::string::npos);
  }
}

TEST_F(BodyProtection, AnyChangedByteFailsToUnprotect) {
  const Bytes blob = protect("a short note body");
  for (std::size_t i = 0; i < blob.size(); ++i) {
    for (const unsigned flip : {0x01u, 0x80u}) {
      Bytes damaged = blob;
      damaged[i] = static_cast<char>(static_cast<unsigned char>(damaged[i]) ^ flip);
      auto result = unprotect_body(damaged);
      ASSERT_FALSE(result) << "byte " << i;
      EXPECT_EQ(result.error().kind(), CryptoError::Kind::UnprotectFailed);
      // A changed key identifier names a key this user does not have.
      const bool key_id = i >= kKeyIdBegin && i < kKeyIdEnd;
      EXPECT_EQ(result.error().detail(), key_id ? kBadKeyState : kInvalidData) << "byte " << i;
    }
  }
}

TEST_F(BodyProtection, TruncatedExtendedOrForeignBlobsAreInvalidData) {
  const Bytes blob = protect("another note");
  for (std::size_t len = 1; len < blob.size(); ++len) {
    auto result = unprotect_bytes(std::string_view(blob).substr(0, len));
    ASSERT_FALSE(result) << len;
    EXPECT_EQ(result.error().detail(), kInvalidData) << len;
  }
  auto longer = unprotect_bytes(blob + "x");
  ASSERT_FALSE(longer);
  EXPECT_EQ(longer.error().detail(), kInvalidData);

  auto foreign = unprotect_body("just some text that was never protected at all, long enough"sv);
  ASSERT_FALSE(foreign);
  EXPECT_EQ(foreign.error(), CryptoError::unprotect_failed(kInvalidData));
}

TEST_F(BodyProtection, UnprotectedBytesThatAreNotUtf8FailAsUtf8Decode) {
  const Bytes blob = protect(std::string("ok\xE2\x82", 4));
  auto text = unprotect_body(blob);
  ASSERT_FALSE(text);
  EXPECT_EQ(text.error(), CryptoError::utf8_decode("incomplete utf-8 byte sequence from index 2"));
  // The bytes themselves are still readable as bytes.
  auto bytes = unprotect_bytes(blob);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes, std::string("ok\xE2\x82", 4));

  auto ff = unprotect_body(protect("\xFF"));
  ASSERT_FALSE(ff);
  EXPECT_EQ(ff.error(), CryptoError::utf8_decode("invalid utf-8 sequence of 1 bytes from index 0"));
}

// A character array would carry its terminating NUL into the blob; such
// calls do not compile.
template <typename T>
concept Protectable = requires(const T& body) {
  protect_body(body);
};
template <typename T>
concept Unprotectable = requires(const T& blob) {
  unprotect_body(blob);
};
static_assert(!Protectable<char[6]> && !Unprotectable<char[6]>);
static_assert(Protectable<std::string_view> && Protectable<std::string>);
static_assert(Unprotectable<std::string_view> && Unprotectable<Bytes>);

TEST(DataBlobLimit, CountsUpTo32Bits) {
  EXPECT_TRUE(platform::fits_data_blob(0));
  EXPECT_TRUE(platform::fits_data_blob(0xFFFF'FFFFu));
  EXPECT_FALSE(platform::fits_data_blob(0x1'0000'0000u));
  EXPECT_FALSE(platform::fits_data_blob(SIZE_MAX));
}

// A read-only mapping of zero pages stands for a huge body: it is real,
// readable memory, yet costs no RAM as long as nobody touches it.
class HugeInput {
 public:
  explicit HugeInput(std::size_t size) : size_(size) {
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    data_ = p == MAP_FAILED ? nullptr : static_cast<const char*>(p);
  }
  ~HugeInput() {
    if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_);
  }
  HugeInput(const HugeInput&) = delete;
  HugeInput& operator=(const HugeInput&) = delete;
  [[nodiscard]] std::span<const char> span() const { return {data_, size_}; }
  [[nodiscard]] bool ok() const { return data_ != nullptr; }

 private:
  const char* data_ = nullptr;
  std::size_t size_;
};

TEST_F(BodyProtection, InputsBeyondThe32BitCountFailCleanly) {
  const HugeInput huge(std::size_t{0x1'0000'0000u});
  if (!huge.ok()) GTEST_SKIP() << "no address space for the mapping";
  auto blob = protect_body(huge.span());
  ASSERT_FALSE(blob);
  EXPECT_EQ(blob.error(), CryptoError::protect_failed(kInvalidParameter));
  auto bytes = unprotect_bytes(huge.span());
  ASSERT_FALSE(bytes);
  EXPECT_EQ(bytes.error(), CryptoError::unprotect_failed(kInvalidParameter));
  EXPECT_FALSE(fs::exists(key_file()));

  // A body whose blob would no longer fit the count is refused too: every
  // blob made must be one that can be read back.
  auto almost = protect_body(huge.span().first(0xFFFF'FFFFu - 48));
  ASSERT_FALSE(almost);
  EXPECT_EQ(almost.error(), CryptoError::protect_failed(kInvalidParameter));
}

TEST_F(BodyProtection, AnotherHomeCannotUnprotect) {
  const Bytes blob = protect("for my eyes only");
  const TempDir other;
  auto outcome = run_child([&]() -> std::string {
    ::setenv("HOME", other.str().c_str(), 1);
    ::unsetenv("XDG_DATA_HOME");
    // No key at all yet in the other home.
    auto before = unprotect_body(blob);
    if (before || before.error() != CryptoError::unprotect_failed(kBadKeyState)) {
      return "without a key: " + (before ? std::string("succeeded") : before.error().detail());
    }
    // With a key of its own, still not ours.
    if (!protect_body("mine"sv)) return "could not protect in the other home";
    auto after = unprotect_body(blob);
    if (after || after.error() != CryptoError::unprotect_failed(kBadKeyState)) {
      return "with its own key: " + (after ? std::string("succeeded") : after.error().detail());
    }
    return {};
  });
  EXPECT_TRUE(outcome.failure.empty()) << outcome.failure;
  EXPECT_TRUE(fs::exists(other.path() / ".local/share/data-protection/master.key"));
}

TEST_F(BodyProtection, AnotherUnixUserCannotUnprotect) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
  constexpr uid_t kNobody = 65534;
  constexpr gid_t kNogroup = 65534;
  const Bytes blob = protect("root's note");
  const std::string ours = home_.dir().str() + "/xdg";

  const TempDir other;
  const fs::path other_home = other.path() / "home";
  fs::create_directory(other_home);
  ASSERT_EQ(::chmod(other.path().c_str(), 0711), 0);
  ASSERT_EQ(::chown(other_home.c_str(), kNobody, kNogroup), 0);
  ASSERT_EQ(::chmod(other_home.c_str(), 0700), 0);

  auto outcome = run_child([&]() -> std::string {
    ::setenv("HOME", other_home.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (other_home / "xdg").c_str(), 1);
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNogroup) != 0 || ::setuid(kNobody) != 0) {
      return "could not drop to nobody";
    }
    if (::geteuid() != kNobody) return "still privileged";
    auto foreign = unprotect_body(blob);
    if (foreign || foreign.error() != CryptoError::unprotect_failed(kBadKeyState)) {
      return "own home: " + (foreign ? std::string("succeeded") : foreign.error().detail());
    }
    auto mine = protect_body("nobody's note"sv);
    if (!mine) return "protect as nobody: " + mine.error().detail();
    auto back = unprotect_body(*mine);
    if (!back || *back != "nobody's note") return "round trip as nobody failed";
    foreign = unprotect_body(blob);
    if (foreign || foreign.error() != CryptoError::unprotect_failed(kBadKeyState)) {
      return "own key: " + (foreign ? std::string("succeeded") : foreign.error().detail());
    }
    // Pointed at the owner's key store, the other user is kept out.
    ::setenv("XDG_DATA_HOME", ours.c_str(), 1);
    foreign = unprotect_body(blob);
    if (foreign || foreign.error() != CryptoError::unprotect_failed(kAccessDenied)) {
      return "owner's store: " + (foreign ? std::string("succeeded") : foreign.error().detail());
    }
    return {};
  });
  EXPECT_TRUE(outcome.failure.empty()) << outcome.failure;
  struct stat st {};
  ASSERT_EQ(::stat((other_home / "xdg/data-protection/master.key").c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, kNobody);
}

}  // namespace
}  // namespace norvane
