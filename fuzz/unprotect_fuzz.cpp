// Protected blobs. The first input byte picks the mode:
// - even: the rest is a stored body_enc, handed to unprotect_body and
//   unprotect_bytes; they agree, and every failure is UnprotectFailed or
//   Utf8Decode with a known text;
// - odd: the rest is a body, protected here and then damaged at the position
//   the input names; the untouched blob reads back to the body, a damaged one
//   is refused.
// The key store is a private one with a fixed key, so that the blobs in the
// seed corpus stay readable from run to run.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "check.h"
#include "norvane/protect/body.h"
#include "norvane/text/utf8.h"
#include "platform/posix/protection_format.h"

namespace {

namespace key_file = norvane::platform::protection::key_file;

// A fixed identifier and key.
constexpr std::string_view kKeyIdAndKey =
    "fuzz-key-ident!!"
    "0123456789abcdef0123456789abcdef";
static_assert(kKeyIdAndKey.size() == key_file::kBytes - key_file::kKeyIdAt);

std::string key_file_content() {
  std::string out(key_file::kMagic.data(), key_file::kMagic.size());
  out.push_back(norvane::platform::protection::kFormatVersion);
  out.append(kKeyIdAndKey);
  return out;
}

bool known_unprotect_text(const std::string& detail) {
  return detail == "The data is invalid. (0x8007000D)" ||
         detail == "Key not valid for use in specified state. (0x8009000B)";
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char dir[] = "/tmp/norvane-fuzz-XXXXXX";
  FUZZ_CHECK(::mkdtemp(dir) != nullptr);
  const std::string home(dir);
  FUZZ_CHECK(::setenv("XDG_DATA_HOME", home.c_str(), 1) == 0);
  FUZZ_CHECK(::mkdir((home + "/data-protection").c_str(), 0700) == 0);
  const std::string key = home + "/data-protection/master.key";
  const int fd = ::open(key.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  FUZZ_CHECK(fd >= 0);
  const std::string content = key_file_content();
  FUZZ_CHECK(::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()));
  ::close(fd);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0 || size > (1U << 16)) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  using Kind = norvane::CryptoError::Kind;

  if ((data[0] & 1) == 0) {
    const auto bytes = norvane::unprotect_bytes(rest);
    const auto body = norvane::unprotect_body(rest);
    if (!bytes) {
      FUZZ_CHECK(bytes.error().kind() == Kind::UnprotectFailed);
      FUZZ_CHECK(known_unprotect_text(bytes.error().detail()));
      FUZZ_CHECK(!body && body.error() == bytes.error());
      return 0;
    }
    if (norvane::validate_utf8(*bytes)) {
      FUZZ_CHECK(body && *body == *bytes);
    } else {
      FUZZ_CHECK(!body && body.error().kind() == Kind::Utf8Decode);
    }
    return 0;
  }

  if (rest.size() < 3) return 0;
  const std::string_view plain = rest.substr(3);
  auto blob = norvane::protect_body(plain);
  FUZZ_CHECK(blob.has_value());
  FUZZ_CHECK(plain.empty() == blob->empty());
  const auto clean = norvane::unprotect_bytes(*blob);
  FUZZ_CHECK(clean && *clean == plain);
  if (blob->empty()) return 0;

  const std::size_t at = (static_cast<std::size_t>(data[1]) << 8 | data[2]) % blob->size();
  if ((data[1] & 0x80) != 0) {
    blob->resize(at);
  } else {
    (*blob)[at] = static_cast<char>((*blob)[at] ^ 0x01);
  }
  const auto damaged = norvane::unprotect_body(*blob);
  if (blob->empty()) {
    FUZZ_CHECK(damaged && damaged->empty());
    return 0;
  }
  FUZZ_CHECK(!damaged && damaged.error().kind() == Kind::UnprotectFailed);
  FUZZ_CHECK(known_unprotect_text(damaged.error().detail()));
  return 0;
}
