// The text of a failed system call: the system message, a blank and the code
// in parentheses ("The data is invalid. (0x8007000D)"), or the code alone when
// the system has no message for it.
#pragma once

#include <cstdint>
#include <string>

namespace norvane {

// The text for the calling thread's last system error. Call it on the thread
// whose call failed, directly after the failing call.
[[nodiscard]] std::string last_error_text();

// The text for a last-error value as the system reports it: a positive value
// is a Win32 code and is shown in its HRESULT form (0x8007xxxx); zero and
// negative values (already HRESULTs) are shown as they are. Codes with bit
// 0x10000000 set take their message from ntdll's message table.
[[nodiscard]] std::string error_text_for(std::uint32_t last_error);

}  // namespace norvane
