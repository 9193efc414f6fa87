#include "seeding.h"

namespace norvane::seeder {

std::expected<void, SeedFailure> seed_demo_notes(const Connection&) {
  return {};
}

}  // namespace norvane::seeder
