#include "error/debug_text.h"

#include <fmt/format.h>
#include <unicode/uchar.h>

#include <cstdint>

#include "platform/unicode.h"
#include "text/utf8.h"

namespace norvane {

namespace {

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
    const auto c = static_cast<UChar32>(next_code_point(text, i));
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
          append_utf8(out, static_cast<char32_t>(c));
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

}  // namespace norvane
