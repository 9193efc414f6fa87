#include "norvane/db/location.h"

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/known_folder.h"
#include "platform/path.h"

namespace norvane {

namespace {

// The first of: NORVANE_DATA_DIR (even when empty), the local application-data
// folder, the current directory.
std::string base_folder() {
  if (auto dir = platform::get_env("NORVANE_DATA_DIR")) return std::move(*dir);
  if (auto folder = platform::local_app_data_folder()) return std::move(*folder);
  return std::string(1, '.');
}

}  // namespace

std::string database_path() {
  const std::string data_dir = platform::join_path(base_folder(), "Norvane");
  // A failure here surfaces when the database cannot be opened.
  (void)platform::create_private_directories(data_dir);
  return platform::join_path(data_dir, "norvane.db");
}

std::string path_to_display(std::string_view path) {
  return platform::path_as_text(path);
}

}  // namespace norvane
