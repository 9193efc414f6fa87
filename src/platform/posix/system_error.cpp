// The thread's last error and the system messages of the POSIX backend. The
// data protection stand-in reports Win32 codes, so their texts are the ones
// Windows gives, line break included, and run through the same conversion.
#include "platform/system_error.h"

#include <string_view>

#include "platform/posix/system_error.h"
#include "platform/utf16.h"

namespace norvane::platform {

namespace {

thread_local std::uint32_t t_last_error = 0;

struct MessageEntry {
  std::uint32_t code;
  std::u16string_view text;
};

constexpr MessageEntry kMessages[] = {
    {kErrorAccessDenied, u"Access is denied.\r\n"},
    {kErrorInvalidData, u"The data is invalid.\r\n"},
    {kErrorGenFailure, u"A device attached to the system is not functioning.\r\n"},
    {kErrorInvalidParameter, u"The parameter is incorrect.\r\n"},
    {kErrorDiskFull, u"There is not enough space on the disk.\r\n"},
    {kNteBadKeyState, u"Key not valid for use in specified state.\r\n"},
};

}  // namespace

std::uint32_t last_error() noexcept {
  return t_last_error;
}

void set_last_error(std::uint32_t code) noexcept {
  t_last_error = code;
}

std::string system_message(std::uint32_t message_id, bool from_ntdll) {
  // No NTSTATUS texts are known here.
  if (from_ntdll) return {};
  // As on Windows, a Win32 code is found both bare and in its HRESULT form.
  std::uint32_t id = message_id;
  if ((id & 0xFFFF'0000u) == 0x8007'0000u) id &= 0xFFFFu;
  for (const auto& entry : kMessages) {
    if (entry.code == id) return message_from_utf16(entry.text);
  }
  return {};
}

}  // namespace norvane::platform
