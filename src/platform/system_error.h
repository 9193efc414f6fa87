// The calling thread's last system error and the system's message texts.
#pragma once

#include <cstdint>
#include <string>

namespace norvane::platform {

// Win32 codes that the platform layer itself reports.
inline constexpr std::uint32_t kErrorAccessDenied = 5;         // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kErrorInvalidData = 13;         // ERROR_INVALID_DATA
inline constexpr std::uint32_t kErrorGenFailure = 31;          // ERROR_GEN_FAILURE
inline constexpr std::uint32_t kErrorInvalidParameter = 87;    // ERROR_INVALID_PARAMETER
inline constexpr std::uint32_t kErrorDiskFull = 112;           // ERROR_DISK_FULL
inline constexpr std::uint32_t kNteBadKeyState = 0x8009000Bu;  // NTE_BAD_KEY_STATE

// GetLastError of the calling thread.
[[nodiscard]] std::uint32_t last_error() noexcept;

// The system's message for `message_id` (FormatMessageW), taken from ntdll's
// message table when `from_ntdll`, as UTF-8 with the trailing white space
// removed; empty when the system has none.
[[nodiscard]] std::string system_message(std::uint32_t message_id, bool from_ntdll);

}  // namespace norvane::platform
