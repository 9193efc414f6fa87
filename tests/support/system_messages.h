// The texts the data protection service reports its failures with, as the
// system words them.
#pragma once

namespace norvane::testing {

inline constexpr const char* kAccessDenied = "Access is denied. (0x80070005)";
inline constexpr const char* kInvalidData = "The data is invalid. (0x8007000D)";
inline constexpr const char* kInvalidParameter = "The parameter is incorrect. (0x80070057)";
inline constexpr const char* kGenFailure =
    "A device attached to the system is not functioning. (0x8007001F)";
inline constexpr const char* kBadKeyState =
    "Key not valid for use in specified state. (0x8009000B)";

}  // namespace norvane::testing
