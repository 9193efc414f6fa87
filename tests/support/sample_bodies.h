// Note bodies that a protection round trip must give back byte for byte, on
// every platform.
#pragma once

#include <cstddef>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace norvane::testing {

// About `size` bytes of text that mixes ASCII, line breaks, tabs and
// characters of one to four bytes, in a fixed order.
inline std::string mixed_text(std::size_t size) {
  static constexpr std::string_view kPieces[] = {"note ", "Grüße ", "\n",   "\t",         "日本語 ",
                                                 "🎉",     "  ",     "\r\n", "ascii text "};
  std::string out;
  for (std::size_t i = 0; out.size() < size; ++i) {
    out += kPieces[(i * 7 + i / 3) % std::size(kPieces)];
  }
  return out;
}

// One byte, surrounding white space, line breaks, non-ASCII text, an
// embedded NUL and 1 MiB.
inline std::vector<std::string> sample_bodies() {
  return {
      "x",
      "  leading and trailing white space \t ",
      "line one\nline two\r\nline three\n\n",
      "Grüße aus Köln – 日本語のメモ 🎉",
      std::string("nul\0inside", 10),
      mixed_text(std::size_t{1} << 20),
  };
}

}  // namespace norvane::testing
