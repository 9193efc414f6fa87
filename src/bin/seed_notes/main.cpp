// seed_notes: fills the local Norvane database with demo notes and measures
// how fast every note is read back and decrypted.
#include <string_view>
#include <vector>

#include "driver.h"

int main(int argc, char** argv) {
  std::vector<std::string_view> words;
  words.reserve(static_cast<std::size_t>(argc));
  for (int i = 0; i < argc; ++i) words.emplace_back(argv[i]);
  return norvane::seeder::run(words);
}
