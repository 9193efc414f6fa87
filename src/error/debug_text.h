// Quoting of texts inside debug forms.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

// Appends `text` between double quotes. Backslash and double quote are
// escaped; line feed, carriage return, tab and NUL become \n \r \t \0; any
// other non-printing character (general categories Cc, Cf, Cs, Co, Cn, Zl,
// Zp, and Zs except U+0020) becomes \u{hex}. Bytes that are not UTF-8 are
// shown as U+FFFD. Everything else stands as it is.
void append_debug_quoted(std::string& out, std::string_view text);

[[nodiscard]] std::string debug_quoted(std::string_view text);

}  // namespace norvane
