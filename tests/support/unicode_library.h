// Skipping the checks that need the Unicode library on a system without it.
#pragma once

#include <gtest/gtest.h>

#include "platform/unicode_library.h"

// ICU is always there on Linux, and on Windows from 10 version 1903 on as
// icu.dll; Wine has no icu.dll.
#define NORVANE_SKIP_WITHOUT_UNICODE_LIBRARY()                                                \
  do {                                                                                        \
    if (!::norvane::platform::unicode_library_available()) {                                  \
      GTEST_SKIP() << "needs the system's ICU (icu.dll, Windows 10 version 1903 and later), " \
                      "which is missing here; Wine has none";                                 \
    }                                                                                         \
  } while (false)
