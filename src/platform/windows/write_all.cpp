#include "platform/windows/write_all.h"

#include <algorithm>
#include <string>

#include "platform/windows/os_error.h"
#include "platform/windows/wide.h"

namespace norvane::platform {

namespace {

bool is_high_surrogate(wchar_t unit) noexcept {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

// Writes all of `text` in pieces of at most kWritePiece units; `piece_end`
// may shorten a piece.
template <typename Unit, typename Write, typename PieceEnd>
std::expected<void, IoError> write_pieces(HANDLE handle, std::basic_string_view<Unit> text,
                                          Write write, PieceEnd piece_end) {
  while (!text.empty()) {
    const std::size_t piece = piece_end(text, std::min(text.size(), kWritePiece));
    DWORD written = 0;
    if (!write(handle, text.data(), static_cast<DWORD>(piece), &written)) {
      return std::unexpected(os_error(GetLastError()));
    }
    if (written == 0) {
      return std::unexpected(IoError::custom("WriteZero", "failed to write whole buffer"));
    }
    text.remove_prefix(std::min<std::size_t>(written, text.size()));
  }
  return {};
}

}  // namespace

std::expected<void, IoError> write_console(HANDLE handle, std::string_view text,
                                           ConsoleWriteCall write) {
  const std::wstring wide = to_wide(text);
  return write_pieces(handle, std::wstring_view(wide), write,
                      [](std::wstring_view rest, std::size_t piece) {
                        // Keep a surrogate pair in one piece.
                        if (piece < rest.size() && is_high_surrogate(rest[piece - 1])) --piece;
                        return piece;
                      });
}

std::expected<void, IoError> write_file(HANDLE handle, std::string_view text, FileWriteCall write) {
  return write_pieces(handle, text, write,
                      [](std::string_view, std::size_t piece) { return piece; });
}

}  // namespace norvane::platform
