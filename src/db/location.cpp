#include "norvane/db/location.h"

#include "platform/env.h"
#include "platform/fs.h"
#include "platform/known_folder.h"
#include "platform/path.h"

namespace norvane {

std::string database_path() {
  std::string base;
  if (auto dir = platform::get_env("NORVANE_DATA_DIR")) {
    base = std::move(*dir);
  } else if (auto folder = platform::local_app_data_folder()) {
    base = std::move(*folder);
  } else {
    base = ".";
  }
  const std::string data_dir = platform::join_path(base, "Norvane");
  // A failure here surfaces when the database cannot be opened.
  (void)platform::create_private_directories(data_dir);
  return platform::join_path(data_dir, "norvane.db");
}

}  // namespace norvane
