#include "error/debug_text.h"

#include <fmt/format.h>
#include <unicode/uchar.h>

#include <cstdint>

#include "platform/unicode.h"
#include "platform/utf16.h"

namespace norvane {

namespace {

// Decodes the code point at `i`, advancing `i` past it; a maximal ill-formed
// subpart becomes one U+FFFD.
UChar32 next_code_point(std::string_view text, std::size_t& i) {
  return static_cast<UChar32>(platform::next_code_point(text, i));
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
