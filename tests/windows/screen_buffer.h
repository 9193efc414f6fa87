// A screen buffer of this process's console, for the cases that check what a
// console shows. A process has a console when it was started from one; under
// Wine, when its standard output is a terminal, so CTest runs those cases
// again under a pseudo-terminal (tests/windows/CMakeLists.txt).
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace norvane::testing {

class ScreenBuffer {
 public:
  // A new, inheritable screen buffer, 200 columns wide so that no report
  // line wraps; one that refuses writes when not `writable`. It is invalid
  // when the process has no console.
  explicit ScreenBuffer(bool writable = true);
  ~ScreenBuffer();
  ScreenBuffer(const ScreenBuffer&) = delete;
  ScreenBuffer& operator=(const ScreenBuffer&) = delete;

  [[nodiscard]] explicit operator bool() const noexcept { return handle_ != nullptr; }
  [[nodiscard]] void* handle() const noexcept { return handle_; }

  // What the buffer shows, as UTF-8: every row up to the cursor without its
  // trailing blanks, each ended by a line break, then the cursor's row up to
  // the cursor.
  [[nodiscard]] std::string text() const;

 private:
  void* handle_ = nullptr;
};

// Whether a missing console fails the console cases instead of skipping
// them: the run under a pseudo-terminal sets NORVANE_REQUIRE_CONSOLE.
[[nodiscard]] bool console_required();

}  // namespace norvane::testing

// Ends the current test when the screen buffers it needs could not be made:
// a failure when a console is required, else a skip.
#define NORVANE_NEEDS_CONSOLE(present)                                            \
  do {                                                                            \
    if (!(present)) {                                                             \
      if (::norvane::testing::console_required()) FAIL() << "no console";         \
      GTEST_SKIP() << "no console: CTest runs this case under a pseudo-terminal"; \
    }                                                                             \
  } while (false)
