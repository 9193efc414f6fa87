// Writing a whole text to a console, as UTF-16 through WriteConsoleW, or to
// any other handle, as the bytes through WriteFile. The write calls are
// parameters, so that the tests can answer for the system: short writes, a
// handle that takes nothing, failures.
#pragma once

#include <cstddef>
#include <expected>
#include <string_view>

#include "norvane/error/io_error.h"
#include "platform/windows/win32.h"

namespace norvane::platform {

// WriteConsoleW or WriteFile, or a stand-in: TRUE with the units taken in
// `written`, or FALSE with the thread's last error set.
using ConsoleWriteCall = BOOL (*)(HANDLE handle, const wchar_t* units, DWORD count, DWORD* written);
using FileWriteCall = BOOL (*)(HANDLE handle, const char* bytes, DWORD count, DWORD* written);

// Large texts go in pieces of at most this many units (UTF-16 units to a
// console, bytes elsewhere), which every kind of handle accepts.
inline constexpr std::size_t kWritePiece = 16 * 1024;

// Writes all of `text` (UTF-8) to the console `handle` as UTF-16. No piece
// ends between the two halves of a surrogate pair, so that a console that
// takes one piece at a time still sees the whole character.
[[nodiscard]] std::expected<void, IoError> write_console(HANDLE handle, std::string_view text,
                                                         ConsoleWriteCall write);

// Writes the bytes of `text` to `handle`.
[[nodiscard]] std::expected<void, IoError> write_file(HANDLE handle, std::string_view text,
                                                      FileWriteCall write);

}  // namespace norvane::platform
