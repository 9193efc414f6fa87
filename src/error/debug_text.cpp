#include "norvane/error/debug_text.h"

#include <fmt/format.h>
#include <unicode/uchar.h>

#include <cstdint>

#include "platform/unicode.h"
#include "platform/utf16.h"

namespace norvane {

namespace {

constexpr UChar32 kReplacement = 0xFFFD;

// Decodes the code point at `i`, advancing `i` past it. A maximal ill-formed
// subsequence (the longest prefix of a sequence that is still acceptable, or
// one byte) becomes one U+FFFD.
UChar32 next_code_point(std::string_view text, std::size_t& i) {
  const auto lead = static_cast<unsigned char>(text[i]);
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  std::size_t length = 0;
  UChar32 c = 0;
  // The allowed range of the next byte; the second byte's range excludes
  // overlong forms, surrogates and values above U+10FFFF.
  unsigned char lo = 0x80;
  unsigned char hi = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
    if (lead == 0xE0) lo = 0xA0;
    if (lead == 0xED) hi = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    c = lead & 0x07;
    if (lead == 0xF0) lo = 0x90;
    if (lead == 0xF4) hi = 0x8F;
  } else {
    ++i;
    return kReplacement;
  }
  std::size_t k = 1;
  for (; k < length && i + k < text.size(); ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if (b < lo || b > hi) break;
    c = (c << 6) | (b & 0x3F);
    lo = 0x80;
    hi = 0xBF;
  }
  i += k;
  return k == length ? c : kReplacement;
}

bool is_non_printing(UChar32 c) {
  // Printable ASCII never gets here: what is left of ASCII is control
  // characters (Cc), which need no lookup.
  if (c < 0x80) return true;
  switch (platform::general_category(static_cast<char32_t>(c))) {
    case U_CONTROL_CHAR:         // Cc
    case U_FORMAT_CHAR:          // Cf
    case U_SURROGATE:            // Cs
    case U_PRIVATE_USE_CHAR:     // Co
    case U_UNASSIGNED:           // Cn
    case U_LINE_SEPARATOR:       // Zl
    case U_PARAGRAPH_SEPARATOR:  // Zp
      return true;
    case U_SPACE_SEPARATOR:  // Zs
      return c != 0x20;
    default:
      return false;
  }
}

}  // namespace

void append_debug_quoted(std::string& out, std::string_view text) {
  out.reserve(out.size() + text.size() + 2);
  out.push_back('"');
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7f) {
      if (byte == '"' || byte == '\\') out.push_back('\\');
      out.push_back(static_cast<char>(byte));
      ++i;
      continue;
    }
    const UChar32 c = next_code_point(text, i);
    switch (c) {
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\0':
        out += "\\0";
        break;
      default:
        if (is_non_printing(c)) {
          fmt::format_to(std::back_inserter(out), "\\u{{{:x}}}", static_cast<std::uint32_t>(c));
        } else {
          platform::append_utf8(out, static_cast<char32_t>(c));
        }
    }
  }
  out.push_back('"');
}

std::string debug_quoted(std::string_view text) {
  std::string out;
  append_debug_quoted(out, text);
  return out;
}

std::string lossy_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
      ++i;
      continue;
    }
    platform::append_utf8(out, static_cast<char32_t>(next_code_point(text, i)));
  }
  return out;
}

}  // namespace norvane
