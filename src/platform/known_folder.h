// The user's local application-data folder.
#pragma once

#include <optional>
#include <string>

namespace norvane::platform {

// Windows: FOLDERID_LocalAppData. POSIX: the XDG data home ($XDG_DATA_HOME
// when absolute, else $HOME/.local/share when HOME is absolute, else the
// password database's home directory + /.local/share). nullopt when the
// lookup fails. On Windows the path is WTF-8 (see platform/path.h).
[[nodiscard]] std::optional<std::string> local_app_data_folder();

// The POSIX lookup above, which the data protection key store shares.
[[nodiscard]] std::optional<std::string> xdg_data_home();

}  // namespace norvane::platform
