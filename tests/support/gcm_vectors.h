// Published AES-256-GCM test vectors and the helpers the vault tests of both
// platforms build payloads with.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace norvane::testing {

using Key = std::array<std::uint8_t, 32>;

inline std::string unhex(std::string_view hex) {
  std::string out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    out.push_back(static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
  }
  return out;
}

inline Key key_from_hex(std::string_view hex) {
  const std::string raw = unhex(hex);
  Key key{};
  std::copy(raw.begin(), raw.end(), key.begin());
  return key;
}

// The AES-256 cases (13 to 15) of the original GCM paper: 96-bit IV, no
// associated data.
struct GcmVector {
  const char* name;
  const char* key;
  const char* iv;
  const char* plaintext;
  const char* ciphertext;
  const char* tag;
};

inline constexpr GcmVector kGcmVectors[] = {
    {"case 13", "0000000000000000000000000000000000000000000000000000000000000000",
     "000000000000000000000000", "", "", "530f8afbc74536b9a963b4f1c4cb738b"},
    {"case 14", "0000000000000000000000000000000000000000000000000000000000000000",
     "000000000000000000000000", "00000000000000000000000000000000",
     "cea7403d4d606b6e074ec5d3baf39d18", "d0d1c8a799996bf0265b98b5d48ab919"},
    {"case 15", "feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308",
     "cafebabefacedbaddecaf888",
     "d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72"
     "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b391aafd255",
     "522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa"
     "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662898015ad",
     "b094dac5d93471bdec1a502270e3cc6c"},
};

// A vault payload as stored: IV, ciphertext, tag.
inline std::string payload_of(const GcmVector& v) {
  return unhex(v.iv) + unhex(v.ciphertext) + unhex(v.tag);
}

}  // namespace norvane::testing
