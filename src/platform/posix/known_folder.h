// The XDG data home, which this backend gives as the local application-data
// folder (platform/known_folder.h) and where its data protection key store
// keeps the user's key.
#pragma once

#include <optional>
#include <string>

namespace norvane::platform {

// $XDG_DATA_HOME when it is absolute, else $HOME/.local/share when HOME is
// absolute, else the password database's home directory + /.local/share;
// nullopt when none applies.
[[nodiscard]] std::optional<std::string> xdg_data_home();

}  // namespace norvane::platform
