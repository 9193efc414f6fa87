#include "norvane/text/hex.h"

namespace norvane::hex {

namespace {

[[nodiscard]] constexpr const char* digits(Case letters) noexcept {
  return letters == Case::Lower ? "0123456789abcdef" : "0123456789ABCDEF";
}

}  // namespace

void append(std::string& out, std::span<const std::uint8_t> bytes, Case letters) {
  const char* d = digits(letters);
  for (const std::uint8_t b : bytes) {
    out.push_back(d[b >> 4]);
    out.push_back(d[b & 0xF]);
  }
}

std::string encode(std::span<const std::uint8_t> bytes, Case letters) {
  std::string out;
  out.reserve(2 * bytes.size());
  append(out, bytes, letters);
  return out;
}

void append_u32(std::string& out, std::uint32_t value, Case letters) {
  const char* d = digits(letters);
  for (int shift = 28; shift >= 0; shift -= 4) out.push_back(d[(value >> shift) & 0xF]);
}

}  // namespace norvane::hex
