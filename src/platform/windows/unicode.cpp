// icu.dll is delay-loaded through its import library
// (cmake/windows/dependencies.cmake): the first call of an ICU function loads
// it, so the functions are called directly.
#include "platform/icu_functions.h"

namespace norvane::platform::icu {

const Functions* functions() noexcept {
  static const Functions kDirect{
      .char_type = &::u_charType,
      .str_from_utf8_with_sub = &::u_strFromUTF8WithSub,
      .str_to_lower = &::u_strToLower,
      .str_to_utf8 = &::u_strToUTF8,
  };
  return &kDirect;
}

}  // namespace norvane::platform::icu
