#include "platform/posix/protected_blob.h"

#include <array>
#include <cstring>

#include "platform/posix/evp_gcm.h"
#include "platform/posix/protection_format.h"
#include "platform/random.h"
#include "platform/secure_wipe.h"
#include "platform/system_error.h"

namespace norvane::platform::posix {

namespace blob = protection::blob;

std::expected<std::string, std::uint32_t> seal_blob(const UserKey& key,
                                                    std::span<const char> input) {
  std::array<std::uint8_t, blob::kHeaderBytes> header{};
  std::memcpy(header.data(), blob::kMagic.data(), blob::kMagic.size());
  header[blob::kVersionAt] = protection::kFormatVersion;
  std::memcpy(header.data() + blob::kKeyIdAt, key.id.data(), key.id.size());

  std::array<std::uint8_t, blob::kNonceBytes> nonce{};
  if (!fill_random(nonce)) return std::unexpected(kErrorGenFailure);

  std::string out(blob::kOverhead + input.size(), '\0');
  std::memcpy(out.data(), header.data(), header.size());
  std::memcpy(out.data() + blob::kNonceAt, nonce.data(), nonce.size());
  const std::span<char> text{out.data() + blob::kCiphertextAt, input.size()};
  std::array<std::uint8_t, blob::kTagBytes> tag{};
  if (!gcm_seal_keyed(key.seal, nonce, header, input, text, tag)) {
    secure_wipe(std::span{out});
    return std::unexpected(kErrorGenFailure);
  }
  std::memcpy(text.data() + text.size(), tag.data(), tag.size());
  return out;
}

bool is_framed_blob(std::span<const char> in) noexcept {
  return in.size() >= blob::kOverhead &&
         std::memcmp(in.data(), blob::kMagic.data(), blob::kMagic.size()) == 0 &&
         in[blob::kVersionAt] == protection::kFormatVersion;
}

std::expected<std::string, std::uint32_t> open_blob(const UserKey& key, std::span<const char> in) {
  std::array<std::uint8_t, blob::kHeaderBytes> header{};
  std::memcpy(header.data(), in.data(), header.size());
  if (std::memcmp(header.data() + blob::kKeyIdAt, key.id.data(), key.id.size()) != 0) {
    return std::unexpected(kNteBadKeyState);
  }
  std::array<std::uint8_t, blob::kNonceBytes> nonce{};
  std::memcpy(nonce.data(), in.data() + blob::kNonceAt, nonce.size());
  const std::size_t text_len = in.size() - blob::kOverhead;
  const std::span<const char> ciphertext = in.subspan(blob::kCiphertextAt, text_len);
  std::array<std::uint8_t, blob::kTagBytes> tag{};
  std::memcpy(tag.data(), ciphertext.data() + text_len, tag.size());

  std::string plain(text_len, '\0');
  if (auto opened = gcm_open_keyed(key.open, nonce, header, ciphertext, plain, tag); !opened) {
    secure_wipe(std::span{plain});
    return std::unexpected(opened.error() == GcmFailure::TagMismatch ? kErrorInvalidData
                                                                     : kErrorGenFailure);
  }
  return plain;
}

}  // namespace norvane::platform::posix
