#include "support/seed_notes_binary.h"

namespace norvane::testing {

std::string seed_notes_binary() {
  return SEED_NOTES_BINARY;
}

}  // namespace norvane::testing
