// Setting the thread's last error (platform/system_error.h), which the data
// protection stand-in of this backend does for each failure, as the Windows
// service does.
#pragma once

#include <cstdint>

namespace norvane::platform {

void set_last_error(std::uint32_t code) noexcept;

}  // namespace norvane::platform
