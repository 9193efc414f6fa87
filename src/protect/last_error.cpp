#include "protect/last_error.h"

#include "norvane/text/hex.h"
#include "platform/system_error.h"
#include "protect/last_error_detail.h"

namespace norvane {

namespace detail {

std::string format_code(std::uint32_t code) {
  std::string out = "0x";
  hex::append_u32(out, code, hex::Case::Upper);
  return out;
}

std::string format_error_text(std::uint32_t code, std::string_view message) {
  if (message.empty()) return format_code(code);
  std::string out(message);
  out += " (";
  out += format_code(code);
  out += ')';
  return out;
}

}  // namespace detail

std::string error_text_for(std::uint32_t last_error) {
  const std::uint32_t code = detail::hresult_from_last_error(last_error);
  // Codes flagged 0x10000000 are NTSTATUS values; their texts live in
  // ntdll's message table.
  constexpr std::uint32_t kNtStatusFlag = 0x1000'0000u;
  const bool from_ntdll = (code & kNtStatusFlag) != 0;
  const std::uint32_t message_id = from_ntdll ? code & ~kNtStatusFlag : code;
  return detail::format_error_text(code, platform::system_message(message_id, from_ntdll));
}

std::string last_error_text() {
  return error_text_for(platform::last_error());
}

}  // namespace norvane
