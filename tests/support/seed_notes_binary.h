// Where the seed_notes binary under test is. Only the suites that run it link
// norvane_seed_notes_binary, and only they wait for the binary to be built.
#pragma once

#include <string>

namespace norvane::testing {

[[nodiscard]] std::string seed_notes_binary();

}  // namespace norvane::testing
