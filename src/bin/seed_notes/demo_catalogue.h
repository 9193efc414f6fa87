// The fixed catalogue of demo notes that a seeding run inserts.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "norvane/db/note.h"

namespace norvane::seeder {

struct DemoNote {
  std::string_view title;
  std::string_view body;
  std::string_view color;
  std::int64_t days_ago;
  NoteState state;
};

// The 50 demo notes in catalogue order: 40 active, then 10 archived.
[[nodiscard]] std::span<const DemoNote> demo_catalogue() noexcept;

}  // namespace norvane::seeder
