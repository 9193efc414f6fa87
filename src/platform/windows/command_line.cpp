#include "platform/windows/command_line.h"

#include "platform/command_line.h"
// clang-format off
#include "platform/windows/win32.h"
#include <shellapi.h>
// clang-format on

#include "platform/windows/wide.h"

namespace norvane::platform {

namespace {

// The word array of CommandLineToArgvW, one LocalAlloc block.
class WordArray {
 public:
  explicit WordArray(LPWSTR* words) noexcept : words_(words) {}
  WordArray(const WordArray&) = delete;
  WordArray& operator=(const WordArray&) = delete;
  ~WordArray() {
    if (words_ != nullptr) LocalFree(words_);
  }
  [[nodiscard]] LPWSTR* get() const noexcept { return words_; }

 private:
  LPWSTR* words_;
};

}  // namespace

std::vector<std::string> split_command_line(const wchar_t* command_line) {
  int count = 0;
  const WordArray words(CommandLineToArgvW(command_line, &count));
  std::vector<std::string> out;
  if (words.get() == nullptr || count <= 0) return out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const wchar_t* word = words.get()[i];
    out.push_back(to_utf8(std::wstring_view(word, static_cast<std::size_t>(lstrlenW(word)))));
  }
  return out;
}

std::vector<std::string> command_line_words(int /*argc*/, char** /*argv*/) {
  return split_command_line(GetCommandLineW());
}

}  // namespace norvane::platform
