// Skipping the checks that need the Unicode library on a system without it.
#pragma once

#include <gtest/gtest.h>
#include <unicode/uchar.h>

#include <cstdint>

#include "platform/unicode_library.h"

// ICU is always there on Linux; without it the POSIX backend only keeps
// running. On Windows it is icu.dll (Windows 10 version 1903 on; Wine has
// none), and without it the system's NLS tables must give the same answers
// for every character these checks use, so nothing is skipped there.
#ifdef _WIN32
#define NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY() \
  do {                                         \
  } while (false)
#else
#define NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY()                               \
  do {                                                                       \
    if (!::norvane::platform::unicode_library_available()) {                 \
      GTEST_SKIP() << "needs ICU (libicuuc), which this system cannot load"; \
    }                                                                        \
  } while (false)
#endif

namespace norvane::testing {

// Whether debug quoting escapes a character of `category` (the space U+0020
// aside, which it never escapes).
[[nodiscard]] inline bool escaped_category(std::int8_t category) {
  switch (category) {
    case U_CONTROL_CHAR:
    case U_FORMAT_CHAR:
    case U_SURROGATE:
    case U_PRIVATE_USE_CHAR:
    case U_UNASSIGNED:
    case U_LINE_SEPARATOR:
    case U_PARAGRAPH_SEPARATOR:
    case U_SPACE_SEPARATOR:
      return true;
    default:
      return false;
  }
}

}  // namespace norvane::testing
