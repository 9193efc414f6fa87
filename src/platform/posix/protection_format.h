// The two formats of the POSIX data protection service, shared by the
// service, its tests and the benchmarks that handle its output directly.
//
// A protected blob:
//
//   "NVDP" | version (1) | key identifier (16) | nonce (12) | ciphertext | tag (16)
//
// AES-256-GCM under the user's master key; the first 21 bytes (magic,
// version, key identifier) are the associated data.
//
// The key file, <XDG data home>/data-protection/master.key:
//
//   "NVMK" | version (1) | key identifier (16) | key (32)
#pragma once

#include <array>
#include <cstddef>

namespace norvane::platform::protection {

inline constexpr char kFormatVersion = 1;
inline constexpr std::size_t kKeyIdBytes = 16;
inline constexpr std::size_t kKeyBytes = 32;

namespace blob {

inline constexpr std::array<char, 4> kMagic{'N', 'V', 'D', 'P'};
inline constexpr std::size_t kVersionAt = kMagic.size();
inline constexpr std::size_t kKeyIdAt = kVersionAt + 1;
// Magic, version and key identifier: the associated data.
inline constexpr std::size_t kHeaderBytes = kKeyIdAt + kKeyIdBytes;
inline constexpr std::size_t kNonceAt = kHeaderBytes;
inline constexpr std::size_t kNonceBytes = 12;
inline constexpr std::size_t kCiphertextAt = kNonceAt + kNonceBytes;
inline constexpr std::size_t kTagBytes = 16;
// Everything but the ciphertext, which is as long as the input.
inline constexpr std::size_t kOverhead = kHeaderBytes + kNonceBytes + kTagBytes;

static_assert(kHeaderBytes == 21 && kCiphertextAt == 33 && kOverhead == 49);

}  // namespace blob

namespace key_file {

inline constexpr std::array<char, 4> kMagic{'N', 'V', 'M', 'K'};
inline constexpr std::size_t kVersionAt = kMagic.size();
inline constexpr std::size_t kKeyIdAt = kVersionAt + 1;
inline constexpr std::size_t kKeyAt = kKeyIdAt + kKeyIdBytes;
inline constexpr std::size_t kBytes = kKeyAt + kKeyBytes;

static_assert(kKeyAt == 21 && kBytes == 53);

}  // namespace key_file

}  // namespace norvane::platform::protection
