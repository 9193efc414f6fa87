// Splitting a UTF-16 command line into UTF-8 words, kept apart from the
// process's own command line so that it can be checked on given text.
#pragma once

#include <string>
#include <vector>

namespace norvane::platform {

// The words of `command_line` by CommandLineToArgvW's rules, as UTF-8. Empty
// when the system cannot split it.
[[nodiscard]] std::vector<std::string> split_command_line(const wchar_t* command_line);

}  // namespace norvane::platform
