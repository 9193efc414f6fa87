// ICU is the system's icu.dll (Windows 10 version 1903 and later), loaded on
// first use from the system folder only and never from the folder of the
// program or the current directory. Where it is missing the answers come
// from Windows' own NLS tables (GetStringTypeW, LCMapStringEx), corrected
// where they differ from ICU in what this program needs.
#include "platform/icu_functions.h"

#include <climits>
#include <optional>
#include <span>

#include "platform/utf16.h"
#include "platform/windows/win32.h"

namespace norvane::platform::icu {

namespace {

template <typename Function>
[[nodiscard]] bool look_up(HMODULE library, const char* name, Function& out) noexcept {
  const FARPROC address = GetProcAddress(library, name);
  if (address == nullptr) return false;
  out = reinterpret_cast<Function>(reinterpret_cast<void*>(address));
  return true;
}

std::optional<Functions> load() noexcept {
  const HMODULE library = LoadLibraryExW(L"icu.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (library == nullptr) return std::nullopt;
  // icu.dll exports the C API under the unversioned names.
  Functions found{};
  if (!look_up(library, "u_charType", found.char_type) ||
      !look_up(library, "u_strFromUTF8WithSub", found.str_from_utf8_with_sub) ||
      !look_up(library, "u_strToLower", found.str_to_lower) ||
      !look_up(library, "u_strToUTF8", found.str_to_utf8)) {
    FreeLibrary(library);
    return std::nullopt;
  }
  // The library stays loaded for the life of the process.
  return found;
}

struct Range {
  char32_t first;
  char32_t last;
};

[[nodiscard]] bool in(std::span<const Range> ranges, char32_t c) noexcept {
  for (const Range& r : ranges) {
    if (c >= r.first && c <= r.last) return true;
  }
  return false;
}

// The format characters (Cf) beyond the BMP, where the system's tables,
// which classify UTF-16 units, cannot answer.
constexpr Range kSupplementaryFormat[] = {
    {0x110BD, 0x110BD}, {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3},
    {0x1D173, 0x1D17A}, {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

// Characters that sit inside words without breaking them (apostrophes, the
// middle dot and the like), which lower-casing steps over when it decides
// whether a capital sigma ends a word.
constexpr Range kInsideWords[] = {
    {0x0027, 0x0027}, {0x002E, 0x002E}, {0x003A, 0x003A}, {0x00B7, 0x00B7},
    {0x0387, 0x0387}, {0x055F, 0x055F}, {0x05F4, 0x05F4}, {0x2018, 0x2019},
    {0x2024, 0x2024}, {0x2027, 0x2027}, {0xFE13, 0xFE13}, {0xFE52, 0xFE52},
    {0xFE55, 0xFE55}, {0xFF07, 0xFF07}, {0xFF0E, 0xFF0E}, {0xFF1A, 0xFF1A},
};

// Lower cases that are no character's upper case: the title-case letters,
// and signs and letters that fold into another letter. Tables made from
// pairs of upper and lower case lack them (Wine's lack the second kind,
// Windows' at least the title-case digraphs).
struct OneWayLower {
  char16_t first;
  char16_t last;
  char16_t lower_of_first;  // the rest follow in order
};
constexpr OneWayLower kOneWayLower[] = {
    {u'\u01C5', u'\u01C5', u'\u01C6'}, {u'\u01C8', u'\u01C8', u'\u01C9'},
    {u'\u01CB', u'\u01CB', u'\u01CC'}, {u'\u01F2', u'\u01F2', u'\u01F3'},
    {u'\u03F4', u'\u03F4', u'\u03B8'}, {u'\u1E9E', u'\u1E9E', u'\u00DF'},
    {u'\u1F88', u'\u1F8F', u'\u1F80'}, {u'\u1F98', u'\u1F9F', u'\u1F90'},
    {u'\u1FA8', u'\u1FAF', u'\u1FA0'}, {u'\u1FBC', u'\u1FBC', u'\u1FB3'},
    {u'\u1FCC', u'\u1FCC', u'\u1FC3'}, {u'\u1FFC', u'\u1FFC', u'\u1FF3'},
    {u'\u2126', u'\u2126', u'\u03C9'}, {u'\u212A', u'\u212A', u'\u006B'},
    {u'\u212B', u'\u212B', u'\u00E5'},
};

[[nodiscard]] std::optional<char16_t> one_way_lower(char16_t unit) noexcept {
  for (const OneWayLower& m : kOneWayLower) {
    if (unit >= m.first && unit <= m.last) {
      return static_cast<char16_t>(m.lower_of_first + (unit - m.first));
    }
  }
  return std::nullopt;
}

// The system's type bits of a BMP character; nullopt beyond it, or when the
// system has no answer.
[[nodiscard]] std::optional<WORD> char_type(DWORD info_type, char32_t c) noexcept {
  if (c > 0xFFFF) return std::nullopt;
  const auto unit = static_cast<wchar_t>(c);
  WORD type = 0;
  if (!GetStringTypeW(info_type, &unit, 1, &type)) return std::nullopt;
  return type;
}

[[nodiscard]] WORD char_type_bits(DWORD info_type, char32_t c) noexcept {
  return char_type(info_type, c).value_or(WORD{0});
}

// Exact where Unicode fixes the answer by code point; the system's tables for
// the rest of the BMP.
[[nodiscard]] std::int8_t nls_general_category(char32_t c) noexcept {
  if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return U_CONTROL_CHAR;
  if (c > 0x10FFFF) return U_UNASSIGNED;
  if (is_surrogate(c)) return U_SURROGATE;
  // The noncharacters: U+FDD0 to U+FDEF and the last two of every plane.
  if ((c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE) return U_UNASSIGNED;
  if ((c >= 0xE000 && c <= 0xF8FF) || c >= 0xF0000) return U_PRIVATE_USE_CHAR;
  if (c == 0x2028) return U_LINE_SEPARATOR;
  if (c == 0x2029) return U_PARAGRAPH_SEPARATOR;
  if (c > 0xFFFF) {
    if (in(kSupplementaryFormat, c)) return U_FORMAT_CHAR;
    if (c >= 0xE0100 && c <= 0xE01EF) return U_NON_SPACING_MARK;  // variation selectors
    // Planes 4 to 14 hold nothing else. Planes 1 to 3 are taken as printable.
    if (c >= 0x40000) return U_UNASSIGNED;
    return U_OTHER_SYMBOL;
  }
  const std::optional<WORD> bits = char_type(CT_CTYPE1, c);
  if (!bits) return U_OTHER_SYMBOL;  // no answer: shown as it is
  const WORD type = *bits;
  if ((type & C1_DEFINED) == 0) return U_UNASSIGNED;
  // Controls are settled above, so what the system calls a control here is a
  // format character (soft hyphen, zero-width space, bidirectional marks).
  if ((type & C1_CNTRL) != 0) return U_FORMAT_CHAR;
  if ((type & C1_SPACE) != 0) return U_SPACE_SEPARATOR;
  // Only whether a character is printable matters to the callers.
  if ((type & C1_UPPER) != 0) return U_UPPERCASE_LETTER;
  if ((type & C1_LOWER) != 0) return U_LOWERCASE_LETTER;
  if ((type & C1_DIGIT) != 0) return U_DECIMAL_DIGIT_NUMBER;
  if ((type & C1_ALPHA) != 0) return U_OTHER_LETTER;
  return U_OTHER_SYMBOL;
}

[[nodiscard]] bool is_cased(char32_t c) noexcept {
  return (char_type_bits(CT_CTYPE1, c) & (C1_UPPER | C1_LOWER)) != 0;
}

// Marks, modifiers, format characters and the in-word punctuation above.
[[nodiscard]] bool is_case_ignorable(char32_t c) noexcept {
  if (in(kInsideWords, c) || nls_general_category(c) == U_FORMAT_CHAR) return true;
  // The system marks precomposed letters such as ä as diacritic too; a cased
  // letter is never stepped over.
  return !is_cased(c) && (char_type_bits(CT_CTYPE3, c) & (C3_NONSPACING | C3_DIACRITIC)) != 0;
}

// The code point that ends at text[end - 1], moving `end` before it.
[[nodiscard]] char32_t previous_code_point(std::u16string_view text, std::size_t& end) noexcept {
  const char32_t last = text[--end];
  if (last >= 0xDC00 && last <= 0xDFFF && end > 0 && text[end - 1] >= 0xD800 &&
      text[end - 1] <= 0xDBFF) {
    const char32_t high = text[--end];
    return 0x10000 + ((high - 0xD800) << 10) + (last - 0xDC00);
  }
  return last;
}

// The code point that starts at text[begin], moving `begin` past it.
[[nodiscard]] char32_t following_code_point(std::u16string_view text, std::size_t& begin) noexcept {
  const char32_t first = text[begin++];
  if (first >= 0xD800 && first <= 0xDBFF && begin < text.size() && text[begin] >= 0xDC00 &&
      text[begin] <= 0xDFFF) {
    const char32_t low = text[begin++];
    return 0x10000 + ((first - 0xD800) << 10) + (low - 0xDC00);
  }
  return first;
}

// Whether the capital sigma at text[at] ends a word: a cased letter comes
// before it and none after it, stepping over case-ignorable characters on
// both sides.
[[nodiscard]] bool is_final_sigma(std::u16string_view text, std::size_t at) noexcept {
  bool cased_before = false;
  for (std::size_t i = at; i > 0;) {
    const char32_t c = previous_code_point(text, i);
    if (is_case_ignorable(c)) continue;
    cased_before = is_cased(c);
    break;
  }
  if (!cased_before) return false;
  for (std::size_t i = at + 1; i < text.size();) {
    const char32_t c = following_code_point(text, i);
    if (is_case_ignorable(c)) continue;
    return !is_cased(c);
  }
  return true;
}

// Appends `text` lower-cased by the system's invariant (simple) mapping.
[[nodiscard]] bool append_simple_lower(std::u16string& out, std::u16string_view text) {
  if (text.empty()) return true;
  const auto* source = reinterpret_cast<const wchar_t*>(text.data());
  const auto length = static_cast<int>(text.size());
  const int needed = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, source, length, nullptr,
                                   0, nullptr, nullptr, 0);
  if (needed <= 0) return false;
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(needed));
  const int written =
      LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE, source, length,
                    reinterpret_cast<wchar_t*>(out.data() + at), needed, nullptr, nullptr, 0);
  if (written <= 0) return false;
  out.resize(at + static_cast<std::size_t>(written));
  return true;
}

}  // namespace

const Functions* functions() noexcept {
  // Loaded once, on first use; a function-local static is thread-safe.
  static const std::optional<Functions> loaded = load();
  return loaded ? &*loaded : nullptr;
}

std::int8_t fallback_general_category(char32_t c) noexcept {
  return nls_general_category(c);
}

std::optional<std::string> fallback_to_lower_full(std::string_view utf8) {
  // The system counts in int.
  if (utf8.size() > static_cast<std::size_t>(INT_MAX)) return std::nullopt;
  const std::u16string text = utf8_to_utf16(utf8);
  std::u16string lower;
  lower.reserve(text.size() + 8);
  // The system's mapping is the simple one: the two characters whose full
  // lower case differs from it, and those its tables may lack, are mapped
  // here, the runs between them by the system.
  std::size_t run = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t unit = text[i];
    const std::optional<char16_t> one_way = one_way_lower(unit);
    if (unit != u'\u0130' && unit != u'\u03A3' && !one_way) continue;
    if (!append_simple_lower(lower, std::u16string_view(text).substr(run, i - run))) {
      return std::nullopt;
    }
    if (unit == u'\u0130') {
      lower += u"i\u0307";  // İ keeps its dot, as in the root locale
    } else if (unit == u'\u03A3') {
      lower.push_back(is_final_sigma(text, i) ? u'\u03C2' : u'\u03C3');
    } else {
      lower.push_back(*one_way);
    }
    run = i + 1;
  }
  if (!append_simple_lower(lower, std::u16string_view(text).substr(run))) return std::nullopt;
  return utf16_to_utf8_lossy(lower);
}

}  // namespace norvane::platform::icu
