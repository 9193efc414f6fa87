// Where the note database lives.
#pragma once

#include <string>
#include <string_view>

namespace norvane {

// The full path of `norvane.db` in the data directory: the base folder
// (NORVANE_DATA_DIR when present, even empty; else the user's local
// application-data folder; else ".") joined with "Norvane". Creates the data
// directory as a side effect; never fails.
[[nodiscard]] std::string database_path();

// A path that database_path() gave, as text to show. Paths are the system's
// own and need not be valid Unicode: on Linux every byte sequence that is not
// UTF-8 shows as U+FFFD, on Windows every unpaired UTF-16 surrogate.
[[nodiscard]] std::string path_to_display(std::string_view path);

}  // namespace norvane
