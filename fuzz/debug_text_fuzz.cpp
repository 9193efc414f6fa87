// Debug-form quoting: the result is one quoted line of valid UTF-8, and
// undoing the escapes gives back the text (bytes that are not UTF-8 read as
// U+FFFD), so that an error line can never be split or forged.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "check.h"
#include "error/debug_text.h"
#include "text/utf8.h"

namespace {

// Written out here rather than taken from the library, so that the check does
// not share the encoder it checks.
void append_utf8(std::string& out, std::uint32_t cp) {
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

// Undoes the escapes of a quoted text; aborts on anything malformed.
std::string unquote(std::string_view quoted) {
  FUZZ_CHECK(quoted.size() >= 2 && quoted.front() == '"' && quoted.back() == '"');
  const std::string_view body = quoted.substr(1, quoted.size() - 2);
  std::string out;
  for (std::size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    FUZZ_CHECK(c != '"');  // an unescaped quote would end the text early
    if (c != '\\') {
      out.push_back(c);
      continue;
    }
    FUZZ_CHECK(i + 1 < body.size());
    const char e = body[++i];
    switch (e) {
      case '\\':
        out.push_back('\\');
        break;
      case '"':
        out.push_back('"');
        break;
      case 'n':
        out.push_back('\n');
        break;
      case 'r':
        out.push_back('\r');
        break;
      case 't':
        out.push_back('\t');
        break;
      case '0':
        out.push_back('\0');
        break;
      case 'u': {
        FUZZ_CHECK(i + 1 < body.size() && body[i + 1] == '{');
        i += 2;
        std::uint32_t cp = 0;
        std::size_t digits = 0;
        while (i < body.size() && body[i] != '}') {
          const char h = body[i++];
          FUZZ_CHECK((h >= '0' && h <= '9') || (h >= 'a' && h <= 'f'));
          cp = cp * 16 + static_cast<std::uint32_t>(h <= '9' ? h - '0' : h - 'a' + 10);
          ++digits;
        }
        FUZZ_CHECK(i < body.size() && digits >= 1 && digits <= 6 && cp <= 0x10FFFF);
        append_utf8(out, cp);
        break;
      }
      default:
        FUZZ_CHECK(false && "unknown escape");
    }
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::string lossy = norvane::lossy_utf8(input);
  FUZZ_CHECK(norvane::validate_utf8(lossy).has_value());
  if (norvane::validate_utf8(input).has_value()) FUZZ_CHECK(lossy == input);

  const std::string quoted = norvane::debug_quoted(input);
  FUZZ_CHECK(norvane::validate_utf8(quoted).has_value());
  for (const char c : quoted) {
    const auto b = static_cast<unsigned char>(c);
    FUZZ_CHECK(b >= 0x20 && b != 0x7F);  // no raw control character, no line break
  }
  FUZZ_CHECK(unquote(quoted) == lossy);

  std::string appended = "prefix ";
  norvane::append_debug_quoted(appended, input);
  FUZZ_CHECK(appended == "prefix " + quoted);
  return 0;
}
