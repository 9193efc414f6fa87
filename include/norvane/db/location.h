// Where the note database lives.
#pragma once

#include <string>

namespace norvane {

// The full path of `norvane.db` in the data directory: the base folder
// (NORVANE_DATA_DIR when present, even empty; else the user's local
// application-data folder; else ".") joined with "Norvane". Creates the data
// directory as a side effect; never fails.
[[nodiscard]] std::string database_path();

}  // namespace norvane
