#include "platform/fs.h"

#include <system_error>

#include "platform/windows/wide.h"
#include "platform/windows/win32.h"

namespace norvane::platform {

namespace {

// A file handle from CreateFileW, closed on every path.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) noexcept : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (valid()) CloseHandle(handle_);
  }
  [[nodiscard]] bool valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
  [[nodiscard]] HANDLE get() const noexcept { return handle_; }

 private:
  HANDLE handle_;
};

[[nodiscard]] bool is_directory(const std::wstring& path) noexcept {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

[[nodiscard]] constexpr bool is_separator(wchar_t c) noexcept {
  return c == L'\\' || c == L'/';
}

[[nodiscard]] std::unexpected<std::error_code> system_failure(DWORD error) {
  return std::unexpected(std::error_code(static_cast<int>(error), std::system_category()));
}

// After CreateDirectoryW found something at `path`: whether it will do.
[[nodiscard]] std::expected<void, std::error_code> existing_directory(const std::wstring& path) {
  if (is_directory(path)) return {};  // made meanwhile
  return std::unexpected(std::make_error_code(std::errc::not_a_directory));
}

// CreateDirectoryW, one level at a time from the deepest existing folder.
// Not std::filesystem: its conversions refuse names with an unpaired
// surrogate, which the system allows.
[[nodiscard]] std::expected<void, std::error_code> create_directories(const std::wstring& path) {
  if (is_directory(path)) return {};
  if (CreateDirectoryW(path.c_str(), nullptr)) return {};
  const DWORD error = GetLastError();
  if (error == ERROR_ALREADY_EXISTS) return existing_directory(path);
  if (error != ERROR_PATH_NOT_FOUND) return system_failure(error);
  // A parent is missing: the path up to its last separator, without the
  // separators themselves.
  std::size_t end = path.size();
  while (end > 0 && is_separator(path[end - 1])) --end;
  while (end > 0 && !is_separator(path[end - 1])) --end;
  while (end > 0 && is_separator(path[end - 1])) --end;
  if (end == 0) return system_failure(error);
  if (auto parent = create_directories(path.substr(0, end)); !parent) return parent;
  if (CreateDirectoryW(path.c_str(), nullptr)) return {};
  const DWORD retry_error = GetLastError();
  if (retry_error == ERROR_ALREADY_EXISTS) return existing_directory(path);
  return system_failure(retry_error);
}

}  // namespace

std::expected<void, std::error_code> create_private_directories(const std::string& path) {
  const std::wstring wide = to_wide(path);
  if (wide.empty())
    return std::unexpected(std::make_error_code(std::errc::no_such_file_or_directory));
  if (wide.find(L'\0') != std::wstring::npos) {
    return std::unexpected(std::make_error_code(std::errc::invalid_argument));
  }
  return create_directories(wide);
}

std::optional<std::uint64_t> file_size(const std::string& path) {
  // The size of the file itself, not of its directory entry: NTFS brings an
  // entry up to date lazily while a file is open, and SQLite holds the
  // write-ahead log open while it is measured. Asking only for attributes
  // with full sharing neither conflicts with any other opener nor stops
  // SQLite from deleting or renaming the file. Without
  // FILE_FLAG_BACKUP_SEMANTICS a directory cannot be opened, so it fails.
  const std::wstring wide = to_wide(path);
  if (wide.empty() || wide.find(L'\0') != std::wstring::npos) return std::nullopt;
  const FileHandle file(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return std::nullopt;
  return static_cast<std::uint64_t>(size.QuadPart);
}

}  // namespace norvane::platform
