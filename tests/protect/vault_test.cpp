#include "norvane/protect/vault.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <random>
#include <string>

#include "printers.h"
#include "protect/vault_detail.h"
#include "support/gcm_vectors.h"
#include "support/os_faults.h"
#include "support/temp_dir.h"
#include "support/vault_seal.h"

namespace norvane {
namespace {

using namespace std::string_view_literals;

using testing::Key;
using testing::key_from_hex;
using testing::payload_of;
using testing::unhex;

constexpr auto& seal = testing::seal_vault_payload;

std::string random_bytes(std::size_t n, std::mt19937& rng) {
  std::string out(n, '\0');
  for (auto& b : out) b = static_cast<char>(rng());
  return out;
}

using testing::GcmVector;
constexpr const auto& kVectors = testing::kGcmVectors;

TEST(VaultPayload, PublishedVectorsAreTypedCorrectly) {
  for (const auto& v : kVectors) {
    EXPECT_EQ(seal(key_from_hex(v.key), unhex(v.iv), unhex(v.plaintext)), payload_of(v)) << v.name;
  }
}

TEST(VaultPayload, PublishedVectorsDecrypt) {
  for (const auto& v : kVectors) {
    const Key key = key_from_hex(v.key);
    auto plain = decrypt_vault_payload(key, payload_of(v));
    ASSERT_TRUE(plain) << v.name << ": " << plain.error().detail();
    EXPECT_EQ(*plain, unhex(v.plaintext)) << v.name;
  }
}

TEST(VaultPayload, TwentyEightBytesHoldAnEmptyBody) {
  const std::string payload = payload_of(kVectors[0]);
  ASSERT_EQ(payload.size(), 28u);
  const Key key{};
  auto plain = decrypt_vault_payload(key, payload);
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->empty());
}

TEST(VaultPayload, ShorterPayloadsAreInvalidFormat) {
  const Key key{};
  const auto expected =
      CryptoError::invalid_format("Ciphertext payload is too short for AES-256-GCM");
  const std::string payload = payload_of(kVectors[0]);
  for (std::size_t len = 0; len < 28; ++len) {
    auto plain = decrypt_vault_payload(key, std::string_view(payload).substr(0, len));
    ASSERT_FALSE(plain) << len;
    EXPECT_EQ(plain.error(), expected) << len;
  }
}

TEST(VaultPayload, AnyFlippedBitOrOtherKeyIsAnAeadError) {
  const GcmVector& v = kVectors[2];
  const Key key = key_from_hex(v.key);
  const std::string payload = payload_of(v);
  const auto expected = CryptoError::aead("aead::Error");
  for (std::size_t bit = 0; bit < payload.size() * 8; ++bit) {
    std::string damaged = payload;
    damaged[bit / 8] = static_cast<char>(damaged[bit / 8] ^ (1 << (bit % 8)));
    auto plain = decrypt_vault_payload(key, damaged);
    ASSERT_FALSE(plain) << "bit " << bit;
    EXPECT_EQ(plain.error(), expected) << "bit " << bit;
  }
  for (std::size_t byte = 0; byte < key.size(); ++byte) {
    Key other = key;
    other[byte] ^= 0x01;
    auto plain = decrypt_vault_payload(other, payload);
    ASSERT_FALSE(plain) << "key byte " << byte;
    EXPECT_EQ(plain.error(), expected);
  }
}

// A cipher that OpenSSL cannot set up or run fails the payload as any other
// AEAD failure does; a failure taken as success would hand out the text.
TEST(VaultPayload, ACipherThatFailsIsAnAeadError) {
  using testing::Call;
  const GcmVector& v = kVectors[2];
  const std::pair<const char*, Call> faults[] = {{"no context", Call::CipherCtxNew},
                                                 {"key and nonce refused", Call::CipherInit},
                                                 {"text refused", Call::CipherUpdate},
                                                 {"tag refused", Call::CipherCtrl}};
  for (const auto& [what, call] : faults) {
    SCOPED_TRACE(what);
    const testing::ScopedFault fault({call});
    auto plain = decrypt_vault_payload(key_from_hex(v.key), payload_of(v));
    ASSERT_FALSE(plain);
    EXPECT_EQ(plain.error(), CryptoError::aead("aead::Error"));
    EXPECT_EQ(fault.hits(), 1);
  }
}

// Where the cipher wrote the plaintext of the payload being opened: the
// last output and all that followed on from it (a locked body's blob is
// opened first, into another buffer).
struct Output {
  const char* begin = nullptr;
  std::size_t size = 0;
};
Output g_output;

void record_output(const void* out, std::size_t size) {
  if (out == nullptr || size == 0) return;
  const auto* at = static_cast<const char*>(out);
  if (at != g_output.begin + g_output.size) g_output = {at, 0};
  g_output.size += size;
}

// The buffer that receives the plaintext holds it before the tag is known to
// be good, and after, when the text turns out not to be UTF-8; when the
// payload or the body fails, it is wiped before it is freed. Whatever freed
// it keeps its bookkeeping in the first bytes, so only the rest is compared.
// Read through /proc/self/mem, so that sanitizers see no access to a freed
// block.
TEST(VaultPayload, APayloadThatFailsLeavesNoPlaintextInTheMemoryItFrees) {
  using testing::Call;
  using testing::Effect;
  using Kind = CryptoError::Kind;
  using Open = std::expected<std::string, CryptoError> (*)(VaultKey, std::span<const char>);
  const testing::ScopedUserHome home;
  std::mt19937 rng(11);
  Key key{};
  for (auto& b : key) b = static_cast<std::uint8_t>(rng());
  const std::string plain = random_bytes(256, rng);  // not UTF-8
  const std::string payload = seal(key, random_bytes(12, rng), plain);
  std::string bad_tag = payload;
  bad_tag.back() = static_cast<char>(bad_tag.back() ^ 0x01);
  const auto locked = protect_body(payload);
  const auto body = protect_body(plain);
  ASSERT_TRUE(locked && body);
  const Open body_only = [](VaultKey, std::span<const char> blob) { return unprotect_body(blob); };
  const struct {
    const char* what;
    Open open;
    const std::string& input;
    Effect effect;
    Kind kind;
  } cases[] = {
      {"a failed tag check", decrypt_vault_payload, bad_tag, Effect::Count, Kind::Aead},
      {"a cipher that fails after writing", decrypt_vault_payload, payload, Effect::Fail,
       Kind::Aead},
      {"a locked body that is not UTF-8", unprotect_locked_body, *locked, Effect::Count,
       Kind::Utf8Decode},
      {"a body that is not UTF-8", body_only, *body, Effect::Count, Kind::Utf8Decode},
  };
  const int mem = ::open("/proc/self/mem", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(mem, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::array<char, 256> freed{};  // before the call, so that it cannot take the freed block
    g_output = {};
    {
      const testing::ScopedFault watch(
          {Call::CipherUpdate, c.effect, 0, nullptr, 0, -1, 1, record_output});
      auto opened = c.open(key, c.input);
      ASSERT_FALSE(opened);
      EXPECT_EQ(opened.error().kind(), c.kind);
    }
    ASSERT_NE(g_output.begin, nullptr);
    ASSERT_EQ(g_output.size, plain.size());
    ASSERT_EQ(::pread(mem, freed.data(), freed.size(),
                      static_cast<off_t>(reinterpret_cast<std::uintptr_t>(g_output.begin))),
              static_cast<ssize_t>(freed.size()));
    constexpr std::size_t kBookkeeping = 64;
    EXPECT_NE(std::string_view(freed.data(), freed.size()).substr(kBookkeeping),
              std::string_view(plain).substr(kBookkeeping))
        << "the plaintext is still there";
  }
  ::close(mem);
}

TEST(VaultPayload, DecryptsEveryLengthAroundTheBlockSize) {
  std::mt19937 rng(3);
  Key key{};
  for (auto& b : key) b = static_cast<std::uint8_t>(rng());
  for (std::size_t len = 0; len <= 70; ++len) {
    const std::string plain = random_bytes(len, rng);
    auto back = decrypt_vault_payload(key, seal(key, random_bytes(12, rng), plain));
    ASSERT_TRUE(back) << len;
    EXPECT_EQ(*back, plain) << len;
  }
}

TEST(VaultPayload, CiphertextLimitStopsBeforeTheCounterWraps) {
  EXPECT_TRUE(detail::gcm_ciphertext_fits(0));
  EXPECT_TRUE(detail::gcm_ciphertext_fits((std::uint64_t{1} << 36) - 32));
  EXPECT_FALSE(detail::gcm_ciphertext_fits((std::uint64_t{1} << 36) - 31));
  EXPECT_FALSE(detail::gcm_ciphertext_fits((std::uint64_t{1} << 36) + 16));
}

class LockedBody : public ::testing::Test {
 protected:
  LockedBody() {
    std::mt19937 rng(5);
    for (auto& b : key_) b = static_cast<std::uint8_t>(rng());
  }
  [[nodiscard]] Bytes body_enc(const std::string& plain) {
    auto blob = protect_body(seal(key_, std::string(12, '\x42'), plain));
    EXPECT_TRUE(blob);
    return blob ? *blob : Bytes{};
  }

  testing::ScopedUserHome home_;
  Key key_{};
};

TEST_F(LockedBody, RoundTripThroughBothLayers) {
  const std::string text = "locked: Grüße 🎉\n  with white space  ";
  auto body = unprotect_locked_body(key_, body_enc(text));
  ASSERT_TRUE(body) << body.error().detail();
  EXPECT_EQ(*body, text);
  auto empty = unprotect_locked_body(key_, body_enc(""));
  ASSERT_TRUE(empty) << empty.error().detail();
  EXPECT_TRUE(empty->empty());
}

TEST_F(LockedBody, EachLayerReportsItsOwnFailure) {
  // An empty body_enc unprotects to an empty payload, which is too short.
  auto empty = unprotect_locked_body(key_, ""sv);
  ASSERT_FALSE(empty);
  EXPECT_EQ(empty.error(),
            CryptoError::invalid_format("Ciphertext payload is too short for AES-256-GCM"));

  // Not a protected blob: the data protection layer fails before any AES.
  auto raw_payload = seal(key_, std::string(12, '\x01'), "never protected");
  auto unprotected = unprotect_locked_body(key_, raw_payload);
  ASSERT_FALSE(unprotected);
  EXPECT_EQ(unprotected.error(),
            CryptoError::unprotect_failed("The data is invalid. (0x8007000D)"));

  Key wrong = key_;
  wrong[31] ^= 0x80;
  auto wrong_key = unprotect_locked_body(wrong, body_enc("secret"));
  ASSERT_FALSE(wrong_key);
  EXPECT_EQ(wrong_key.error(), CryptoError::aead("aead::Error"));

  // Authentic, but not text.
  auto not_text = unprotect_locked_body(key_, body_enc("ok\xFF"));
  ASSERT_FALSE(not_text);
  EXPECT_EQ(not_text.error(),
            CryptoError::utf8_decode("invalid utf-8 sequence of 1 bytes from index 2"));
}

}  // namespace
}  // namespace norvane
