#include "text/utf8.h"

#include <bit>
#include <cstring>

namespace norvane {

namespace {

// One sequence whose lead byte is not ASCII: what it decodes to, or how far
// it is well-formed.
struct Sequence {
  char32_t code_point = 0;  // when complete
  // The bytes of the sequence when complete; else the length of its maximal
  // ill-formed subpart (1 to 3).
  std::size_t length = 0;
  bool complete = false;
  // The input ended inside a sequence that was acceptable so far.
  bool truncated = false;
};

// Decodes the sequence at p[0], which is not ASCII, of the `n` (at least 1)
// bytes that are left. The second byte's range after a lead of a 3- or 4-byte
// sequence excludes overlong forms, surrogates (unless `wtf8`) and values
// above U+10FFFF.
[[nodiscard]] inline Sequence decode_sequence(const unsigned char* p, std::size_t n,
                                              bool wtf8) noexcept {
  const unsigned char lead = p[0];
  std::size_t length = 0;
  char32_t c = 0;
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0Fu;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED && !wtf8) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07u;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    return {0, 1, false, false};  // a continuation byte, C0, C1 or F5 to FF
  }
  for (std::size_t k = 1; k < length; ++k) {
    if (k >= n) return {0, k, false, true};
    const unsigned char b = p[k];
    if (b < lo || b > hi) return {0, k, false, false};
    c = (c << 6) | (b & 0x3Fu);
    lo = 0x80;
    hi = 0xBF;
  }
  return {c, length, true, false};
}

constexpr std::uint64_t kHighBits = 0x8080'8080'8080'8080ull;

// Index of the first byte, in memory order, whose high bit is set in `high`
// (a word loaded from memory, masked with kHighBits, not zero).
[[nodiscard]] std::size_t first_marked_byte(std::uint64_t high) noexcept {
  if constexpr (std::endian::native == std::endian::little) {
    return static_cast<std::size_t>(std::countr_zero(high)) / 8;
  } else {
    return static_cast<std::size_t>(std::countl_zero(high)) / 8;
  }
}

}  // namespace

std::string Utf8Error::text() const {
  if (!error_len) return "incomplete utf-8 byte sequence from index " + std::to_string(valid_up_to);
  return "invalid utf-8 sequence of " + std::to_string(*error_len) + " bytes from index " +
         std::to_string(valid_up_to);
}

std::expected<void, Utf8Error> validate_utf8(std::string_view bytes) noexcept {
  const auto* const p = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    // ASCII runs, thirty-two bytes at a time while they last, then eight; a
    // block that is not all ASCII is skipped up to its first byte with the
    // high bit set.
    while (i + 32 <= n) {
      std::uint64_t w[4];
      std::memcpy(w, p + i, sizeof w);
      if (((w[0] | w[1] | w[2] | w[3]) & kHighBits) != 0) break;
      i += 32;
    }
    while (i + 8 <= n) {
      std::uint64_t a = 0;
      std::memcpy(&a, p + i, 8);
      if (const std::uint64_t high = a & kHighBits; high != 0) {
        i += first_marked_byte(high);
        break;
      }
      i += 8;
    }
    while (i < n && p[i] < 0x80) ++i;
    // Then the sequences that are not ASCII, one after another while they
    // last; two-byte sequences, the most common of them, are taken at once.
    while (i < n && p[i] >= 0x80) {
      if (p[i] >= 0xC2 && p[i] <= 0xDF && i + 1 < n && (p[i + 1] & 0xC0) == 0x80) {
        i += 2;
        continue;
      }
      const Sequence seq = decode_sequence(p + i, n - i, false);
      if (!seq.complete) {
        if (seq.truncated) return std::unexpected(Utf8Error{i, std::nullopt});
        return std::unexpected(Utf8Error{i, static_cast<std::uint8_t>(seq.length)});
      }
      i += seq.length;
    }
  }
  return {};
}

char32_t next_code_point(std::string_view text, std::size_t& i, bool wtf8) noexcept {
  const auto* const p = reinterpret_cast<const unsigned char*>(text.data());
  if (p[i] < 0x80) return p[i++];
  const Sequence seq = decode_sequence(p + i, text.size() - i, wtf8);
  i += seq.length;
  return seq.complete ? seq.code_point : kReplacementCharacter;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::string lossy_utf8(std::string_view text, bool wtf8) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const std::size_t ascii = i;
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    out.append(text.substr(ascii, i - ascii));
    if (i == text.size()) break;
    const char32_t c = next_code_point(text, i, wtf8);
    append_utf8(out, is_surrogate(c) ? kReplacementCharacter : c);
  }
  return out;
}

}  // namespace norvane
