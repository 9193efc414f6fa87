#include "demo_catalogue.h"

namespace norvane::seeder {

std::span<const DemoNote> demo_catalogue() noexcept {
  return {};
}

}  // namespace norvane::seeder
