#include "norvane/error/debug_text.h"

#include <fmt/format.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace norvane {

namespace {

constexpr UChar32 kReplacement = 0xFFFD;

// ICU's UTF-8 macros convert between char, uint8_t and int internally.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"

// Decodes the code point at `i`, advancing `i`; malformed input gives U+FFFD
// for each maximal ill-formed subsequence.
UChar32 next_code_point(std::string_view text, std::size_t& i) {
  UChar32 c = 0;
  int32_t pos = static_cast<int32_t>(i);
  U8_NEXT(text.data(), pos, static_cast<int32_t>(text.size()), c);
  i = static_cast<std::size_t>(pos);
  return c < 0 ? kReplacement : c;
}

bool is_non_printing(UChar32 c) {
  switch (u_charType(c)) {
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

void append_utf8(std::string& out, UChar32 c) {
  char buf[U8_MAX_LENGTH];
  int32_t len = 0;
  UBool error = false;
  U8_APPEND(buf, len, U8_MAX_LENGTH, c, error);
  (void)error;  // c is always a valid scalar value here
  out.append(buf, static_cast<std::size_t>(len));
}
#pragma GCC diagnostic pop

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
          append_utf8(out, c);
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
    append_utf8(out, next_code_point(text, i));
  }
  return out;
}

}  // namespace norvane
