// The operating-system services that a program built on the library may need
// besides the note store: the clocks, random bytes, file sizes and names, the
// command line, and checked writes to standard output and standard error.
// They are the library's own platform layer, the same on Linux and Windows;
// a program that uses them needs no system header of its own.
//
// Every function may be called from any thread.
#pragma once

#include <cstdint>
#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "norvane/error/io_error.h"

namespace norvane::env {

// A UTC instant as whole seconds since 1970-01-01T00:00:00Z and nanoseconds.
struct UtcTime {
  std::int64_t seconds = 0;
  std::uint32_t nanoseconds = 0;  // 0 to 999,999,999
};

// The current UTC time from the system's precise wall clock.
[[nodiscard]] UtcTime utc_now() noexcept;

// A reading of the monotonic high-resolution clock, in nanoseconds from an
// arbitrary origin.
[[nodiscard]] std::uint64_t monotonic_nanoseconds() noexcept;

// Fills `out` completely from the system's cryptographically secure random
// number generator, or returns false when the generator failed.
[[nodiscard]] bool fill_random(std::span<std::uint8_t> out) noexcept;

// The size of the file at `path`, or nullopt when it cannot be read.
[[nodiscard]] std::optional<std::uint64_t> file_size(const std::string& path);

// `path` with the extension of its last component replaced by `extension`
// (without the dot); a component without extension gains one. Paths are
// those that database_path() gives.
[[nodiscard]] std::string replace_extension(std::string_view path, std::string_view extension);

// Process-wide settings, made once at the start of main(): a write to a pipe
// whose reader has gone fails instead of ending the process (POSIX); DLLs
// that the program loads itself come from the system folder only, and
// standard output and standard error are binary (Windows).
void prepare_process() noexcept;

// The words of the command line, program name first. POSIX: `argv` as it is.
// Windows: the process's UTF-16 command line split by the system's rules,
// each word made UTF-8 with U+FFFD for unpaired surrogates.
[[nodiscard]] std::vector<std::string> command_line_words(int argc, char** argv);

enum class StdStream { Output, Error };

// Writes all of `text` (UTF-8) straight to `stream`, nothing held back in a
// buffer, or fails with the system's error code, its kind and message. On
// Windows a console gets the text as UTF-16, anything else the bytes
// unchanged.
[[nodiscard]] std::expected<void, IoError> write_std(StdStream stream, std::string_view text);

}  // namespace norvane::env
