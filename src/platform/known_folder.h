// The user's local application-data folder.
#pragma once

#include <optional>
#include <string>

namespace norvane::platform {

// Windows: FOLDERID_LocalAppData. POSIX: the XDG data home
// (platform/posix/known_folder.h). nullopt when the lookup fails. On Windows
// the path is WTF-8 (see platform/path.h).
[[nodiscard]] std::optional<std::string> local_app_data_folder();

}  // namespace norvane::platform
