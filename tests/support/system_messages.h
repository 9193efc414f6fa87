// The texts the data protection service reports its failures with, as the
// system words them.
#pragma once

#include <string>

namespace norvane::testing {

inline constexpr const char* kAccessDenied = "Access is denied. (0x80070005)";
inline constexpr const char* kInvalidData = "The data is invalid. (0x8007000D)";
inline constexpr const char* kInvalidParameter = "The parameter is incorrect. (0x80070057)";
inline constexpr const char* kGenFailure =
    "A device attached to the system is not functioning. (0x8007001F)";
inline constexpr const char* kDiskFull = "There is not enough space on the disk. (0x80070070)";
inline constexpr const char* kBadKeyState =
    "Key not valid for use in specified state. (0x8009000B)";

// The text of ERROR_INVALID_DATA with its code: on Windows as the system
// words it in the user's language (tests/windows/wine.cpp).
#ifdef _WIN32
[[nodiscard]] std::string invalid_data_text();
#else
[[nodiscard]] inline std::string invalid_data_text() {
  return kInvalidData;
}
#endif

}  // namespace norvane::testing
