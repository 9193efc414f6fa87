// Telling Wine from Windows, for the few checks where Wine's implementation
// of a system call behaves differently from the system's own.
#pragma once

#include <string>
#include <string_view>

namespace norvane::testing {

[[nodiscard]] bool running_under_wine();

// The system's message for `code` in the user's language, straight from
// FormatMessageW into a fixed buffer, without the trailing line break, as
// UTF-8; empty when there is none. The texts under test are compared with
// this, so that the checks hold in any language.
[[nodiscard]] std::string plain_system_message(unsigned long code);

// Whether the user interface language is English, in which the exact texts
// of system messages are known as well.
[[nodiscard]] bool english_user_interface();

}  // namespace norvane::testing
