// The words of the command line, as UTF-8 (Windows) or bytes (POSIX).
#pragma once

#include <string>
#include <vector>

namespace norvane::platform {

// The command line of this process, program name first. POSIX: `argv` as it
// is. Windows: the process's UTF-16 command line split by the system's rules
// (CommandLineToArgvW), each word made UTF-8 with U+FFFD for unpaired
// surrogates; `argv`, which holds the words in the ANSI code page, is not
// used.
[[nodiscard]] std::vector<std::string> command_line_words(int argc, char** argv);

}  // namespace norvane::platform
