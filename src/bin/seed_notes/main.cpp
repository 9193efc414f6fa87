// seed_notes: fills the local Norvane database with demo notes and measures
// how fast every note is read back and decrypted.
#include <string>
#include <string_view>
#include <vector>

#include "driver.h"
#include "norvane/env.h"

int main(int argc, char** argv) {
  norvane::env::prepare_process();
  // On Windows the words come from the UTF-16 command line, made UTF-8.
  const std::vector<std::string> owned = norvane::env::command_line_words(argc, argv);
  const std::vector<std::string_view> words(owned.begin(), owned.end());
  return norvane::seeder::run(words);
}
