#include "platform/command_line.h"

namespace norvane::platform {

std::vector<std::string> command_line_words(int argc, char** argv) {
  std::vector<std::string> words;
  words.reserve(argc > 0 ? static_cast<std::size_t>(argc) : 0);
  for (int i = 0; i < argc; ++i) words.emplace_back(argv[i]);
  return words;
}

}  // namespace norvane::platform
