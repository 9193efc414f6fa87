// The data protection service keeps the user's key and two cipher contexts
// per thread. Reusing them must never let a changed key store through, mix up
// homes or threads, or leave a context unusable after a failure.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <expected>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "norvane/db/list_notes.h"
#include "norvane/db/open.h"
#include "norvane/protect/body.h"
#include "norvane/protect/vault.h"
#include "platform/posix/protection_format.h"
#include "printers.h"
#include "support/os_faults.h"
#include "support/system_messages.h"
#include "support/temp_dir.h"

namespace norvane {
namespace {

using namespace std::string_view_literals;
namespace fs = std::filesystem;
using testing::kAccessDenied;
using testing::kBadKeyState;
using testing::kGenFailure;
using testing::kInvalidData;
using testing::ScopedUserHome;
using testing::TempDir;

constexpr std::size_t kKeyFileBytes = platform::protection::key_file::kBytes;
constexpr std::size_t kBlobKeyIdAt = platform::protection::blob::kKeyIdAt;
constexpr std::size_t kKeyFileKeyIdAt = platform::protection::key_file::kKeyIdAt;
constexpr std::size_t kKeyIdBytes = platform::protection::kKeyIdBytes;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void write_file(const fs::path& path, std::string_view content) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
  ::close(fd);
}

class KeyCache : public ::testing::Test {
 protected:
  [[nodiscard]] static fs::path key_file_in(const ScopedUserHome& home) {
    return home.dir().path() / "xdg" / "data-protection" / "master.key";
  }
  [[nodiscard]] fs::path key_file() const { return key_file_in(home_); }

  static Bytes protect(std::string_view body) {
    auto blob = protect_body(body);
    EXPECT_TRUE(blob) << (blob ? "" : blob.error().detail());
    return blob ? *blob : Bytes{};
  }

  // Puts a different, well-formed key in place of the user's key file with a
  // rename, as a restore from a backup would.
  void replace_key_file(std::string_view content) {
    const fs::path temp = key_file().parent_path() / "incoming.key";
    write_file(temp, content);
    fs::rename(temp, key_file());
  }

  ScopedUserHome home_;
};

TEST_F(KeyCache, AKeyFileMadeAccessibleAfterUseIsRefusedAtOnce) {
  const Bytes blob = protect("note");
  ASSERT_TRUE(unprotect_body(blob));  // key and contexts are now cached

  ASSERT_EQ(::chmod(key_file().c_str(), 0644), 0);
  auto read = unprotect_body(blob);
  ASSERT_FALSE(read);
  EXPECT_EQ(read.error(), CryptoError::unprotect_failed(kAccessDenied));
  auto sealed = protect_body("another"sv);
  ASSERT_FALSE(sealed);
  EXPECT_EQ(sealed.error(), CryptoError::protect_failed(kAccessDenied));

  ASSERT_EQ(::chmod(key_file().c_str(), 0600), 0);
  auto again = unprotect_body(blob);
  ASSERT_TRUE(again) << again.error().detail();
  EXPECT_EQ(*again, "note");
}

TEST_F(KeyCache, AReplacedKeyFileIsReadAgainAndItsKeyUsed) {
  const Bytes old_blob = protect("under the first key");
  const std::string first = read_file(key_file());
  ASSERT_EQ(first.size(), kKeyFileBytes);

  // Another valid key: new identifier, new key bytes.
  std::string second = first;
  for (std::size_t i = kKeyFileKeyIdAt; i < second.size(); ++i) {
    second[i] = static_cast<char>(second[i] ^ 0x5A);
  }
  replace_key_file(second);

  auto old_text = unprotect_body(old_blob);
  ASSERT_FALSE(old_text);
  EXPECT_EQ(old_text.error(), CryptoError::unprotect_failed(kBadKeyState));
  const Bytes new_blob = protect("under the second key");
  EXPECT_EQ(new_blob.substr(kBlobKeyIdAt, kKeyIdBytes),
            second.substr(kKeyFileKeyIdAt, kKeyIdBytes));

  // The same key under a new file: both old blobs and new ones read again.
  replace_key_file(first);
  auto back = unprotect_body(old_blob);
  ASSERT_TRUE(back) << back.error().detail();
  EXPECT_EQ(*back, "under the first key");
  EXPECT_FALSE(unprotect_body(new_blob));
}

TEST_F(KeyCache, EachHomeUsesOnlyItsOwnKey) {
  const Bytes first_blob = protect("first home");
  {
    const ScopedUserHome other;
    auto foreign = unprotect_body(first_blob);
    ASSERT_FALSE(foreign);
    EXPECT_EQ(foreign.error(), CryptoError::unprotect_failed(kBadKeyState));
    EXPECT_FALSE(fs::exists(key_file_in(other)));  // unprotecting creates no key

    const Bytes other_blob = protect("other home");
    EXPECT_NE(read_file(key_file_in(other)), read_file(key_file()));
    ASSERT_TRUE(unprotect_body(other_blob));
    // Back in the first home (same thread, cache warm with the other key).
    ::setenv("XDG_DATA_HOME", (home_.dir().path() / "xdg").c_str(), 1);
    auto mixed = unprotect_body(other_blob);
    ASSERT_FALSE(mixed);
    EXPECT_EQ(mixed.error(), CryptoError::unprotect_failed(kBadKeyState));
  }
  auto own = unprotect_body(first_blob);
  ASSERT_TRUE(own) << own.error().detail();
  EXPECT_EQ(*own, "first home");
}

TEST_F(KeyCache, AThreadWithAWarmCacheStillSeesAChangedKeyFile) {
  const Bytes blob = protect("shared");
  std::atomic<int> step{0};
  std::string worker_failure;
  std::thread worker([&] {
    if (!unprotect_body(blob)) worker_failure = "warm-up failed";
    step = 1;
    while (step.load() != 2) std::this_thread::yield();
    auto after = unprotect_body(blob);
    if (after || after.error() != CryptoError::unprotect_failed(kAccessDenied)) {
      worker_failure = "a key file made group-readable was still used";
    }
  });
  while (step.load() != 1) std::this_thread::yield();
  ASSERT_EQ(::chmod(key_file().c_str(), 0640), 0);
  step = 2;
  worker.join();
  EXPECT_TRUE(worker_failure.empty()) << worker_failure;
}

TEST_F(KeyCache, ManyThreadsRoundTripWithTheirOwnContexts) {
  const Bytes shared = protect("made on the main thread");
  constexpr int kThreads = 4;
  std::vector<std::string> failures(kThreads);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      auto& failure = failures[static_cast<std::size_t>(t)];
      for (int i = 0; i < 200; ++i) {
        const std::string body = "thread " + std::to_string(t) + " note " + std::to_string(i);
        auto blob = protect_body(body);
        auto text = blob ? unprotect_body(*blob) : std::unexpected(blob.error());
        auto main_text = unprotect_body(shared);
        if (!text || *text != body || !main_text || *main_text != "made on the main thread") {
          failure = "round trip failed at " + std::to_string(i);
          return;
        }
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& failure : failures) EXPECT_TRUE(failure.empty()) << failure;
}

TEST_F(KeyCache, AFailedCallLeavesTheContextsUsable) {
  const Bytes blob = protect("intact");
  Bytes damaged = blob;
  damaged.back() = static_cast<char>(damaged.back() ^ 1);
  const BodyBatch batch;
  for (int i = 0; i < 3; ++i) {
    auto bad = unprotect_body(damaged);
    ASSERT_FALSE(bad);
    EXPECT_EQ(bad.error(), CryptoError::unprotect_failed(kInvalidData));
    auto good = unprotect_body(blob);
    ASSERT_TRUE(good) << good.error().detail();
    EXPECT_EQ(*good, "intact");
    const Bytes fresh = protect("sealed after a failure");
    auto fresh_text = unprotect_body(fresh);
    ASSERT_TRUE(fresh_text);
    EXPECT_EQ(*fresh_text, "sealed after a failure");
  }
}

// A cipher that OpenSSL cannot set up or run fails the call as a failure of
// the service, never as damaged data, and leaves the thread's contexts fit for
// the next call. Each call runs in a thread of its own, whose contexts the
// call makes and keys itself (`cold`) or an earlier call has made ready.
TEST_F(KeyCache, ACipherThatFailsFailsTheCallAndTheNextCallWorks) {
  using testing::Call;
  using testing::Effect;
  using testing::Fault;
  const Bytes blob = protect("sealed before");
  struct Case {
    const char* what;
    Fault fault;
    bool cold;
    bool seal_fails;
    bool open_fails;
  };
  // The first matching call fails, or only the second.
  const auto first = [](Call call) { return Fault{call, Effect::Fail, EIO, nullptr, 0, 1}; };
  const auto second = [](Call call) { return Fault{call, Effect::Fail, EIO, nullptr, 1, 1}; };
  const Case cases[] = {
      {"no context", first(Call::CipherCtxNew), true, true, true},
      {"the key is refused", first(Call::CipherInit), true, true, true},
      {"the nonce is refused", first(Call::CipherInit), false, true, true},
      {"the associated data is refused", first(Call::CipherUpdate), false, true, true},
      {"the text is refused", second(Call::CipherUpdate), false, true, true},
      {"the last block fails", first(Call::EncryptFinal), false, true, false},
      {"the tag cannot be taken or given", first(Call::CipherCtrl), false, true, true},
  };

  for (const Case& c : cases) {
    for (const bool sealing : {true, false}) {
      SCOPED_TRACE(std::string(c.what) + (sealing ? ", protecting" : ", unprotecting"));
      const bool fails = sealing ? c.seal_fails : c.open_fails;
      // Protecting is checked by reading back what it made.
      const auto attempt = [&]() -> std::expected<std::string, CryptoError> {
        if (!sealing) return unprotect_body(blob);
        auto sealed = protect_body("sealed in a thread"sv);
        if (!sealed) return std::unexpected(sealed.error());
        return unprotect_body(*sealed);
      };
      std::thread([&] {
        if (!c.cold) {
          ASSERT_TRUE(unprotect_body(blob));
        }
        std::expected<std::string, CryptoError> result;
        {
          const testing::ScopedFault fault(c.fault);
          result = attempt();
          EXPECT_EQ(fault.hits() >= 1, fails);
        }
        if (fails) {
          ASSERT_FALSE(result);
          EXPECT_EQ(result.error(), sealing ? CryptoError::protect_failed(kGenFailure)
                                            : CryptoError::unprotect_failed(kGenFailure));
        } else {
          ASSERT_TRUE(result) << result.error().detail();
        }
        auto again = attempt();
        ASSERT_TRUE(again) << again.error().detail();
        EXPECT_EQ(*again, sealing ? "sealed in a thread" : "sealed before");
      }).join();
    }
  }
}

// Without AES-256-GCM from OpenSSL's provider (a broken or restricted
// installation) every call fails cleanly, and no cipher is started without
// it. The cipher is looked up once per process, so this runs in a fresh one
// that has not used it yet.
TEST_F(KeyCache, WithoutTheCipherEveryCallFailsAndNoneStartsACipher) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto check = []() -> std::string {
    using testing::Call;
    using testing::Effect;
    const testing::ScopedFault no_cipher({Call::CipherFetch});
    const testing::ScopedFault started({Call::CipherInit, Effect::Count});
    auto sealed = protect_body("note"sv);
    if (sealed || sealed.error() != CryptoError::protect_failed(kGenFailure)) {
      return "protecting did not fail as it should";
    }
    // Well framed, so that it fails only for want of the cipher.
    Bytes blob(platform::protection::blob::kOverhead + 1, '\0');
    std::memcpy(blob.data(), "NVDP\x01", 5);
    auto opened = unprotect_body(blob);
    if (opened || opened.error() != CryptoError::unprotect_failed(kGenFailure)) {
      return "unprotecting did not fail as it should";
    }
    const std::array<std::uint8_t, 32> vault_key{};
    auto vault = decrypt_vault_payload(vault_key, std::string(40, '\0'));
    if (vault || vault.error() != CryptoError::aead("aead::Error")) {
      return "the vault payload did not fail as it should";
    }
    if (no_cipher.hits() != 1) return "the cipher was looked up more than once";
    if (started.calls() != 0) return "a cipher was started without one";
    return "";
  };
  EXPECT_EXIT(
      {
        const std::string failure = check();
        std::fputs(failure.c_str(), stderr);
        std::exit(failure.empty() ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(KeyCache, ABatchChecksTheKeyStoreAtItsFirstCallAndTheNextCallAfterIt) {
  const Bytes blob = protect("note");
  ASSERT_TRUE(unprotect_body(blob));

  // Changed before the batch: its first call sees it.
  ASSERT_EQ(::chmod(key_file().c_str(), 0604), 0);
  {
    const BodyBatch batch;
    auto first = unprotect_body(blob);
    ASSERT_FALSE(first);
    EXPECT_EQ(first.error(), CryptoError::unprotect_failed(kAccessDenied));
  }
  ASSERT_EQ(::chmod(key_file().c_str(), 0600), 0);

  // Changed during a batch: the first call after the batch sees it.
  {
    const BodyBatch batch;
    ASSERT_TRUE(unprotect_body(blob));
    ASSERT_EQ(::chmod(key_file().c_str(), 0660), 0);
  }
  auto after = unprotect_body(blob);
  ASSERT_FALSE(after);
  EXPECT_EQ(after.error(), CryptoError::unprotect_failed(kAccessDenied));

  // A batch does not outlive itself: a new one checks again.
  {
    const BodyBatch batch;
    EXPECT_FALSE(unprotect_body(blob));
  }
}

TEST_F(KeyCache, EveryListOfNotesChecksTheKeyStore) {
  const TempDir tmp;
  auto conn = open_database(tmp / "norvane.db");
  ASSERT_TRUE(conn);
  const Bytes blob = protect("listed");
  auto insert = conn->prepare(
      "INSERT INTO notes (id, title, body_enc, created_at, updated_at) VALUES ('n1', 't', ?1, "
      "'c', 'u')");
  ASSERT_TRUE(insert);
  ASSERT_TRUE(insert->bind_blob(1, blob));
  ASSERT_TRUE(insert->run());

  auto listed = list_notes(*conn, std::nullopt);
  ASSERT_TRUE(listed);
  ASSERT_EQ(listed->size(), 1u);
  EXPECT_EQ(listed->front().body, "listed");

  ASSERT_EQ(::chmod(key_file().c_str(), 0644), 0);
  auto refused = list_notes(*conn, std::nullopt);
  ASSERT_FALSE(refused);
  const auto* failure = refused.error().get_if<app_error::NoteDecryption>();
  ASSERT_NE(failure, nullptr) << refused.error().debug();
  EXPECT_EQ(failure->id, "n1");
}

}  // namespace
}  // namespace norvane
