// CryptProtectData and CryptUnprotectData for the signed-in Windows user.
#ifdef _WIN32

#include "platform/data_protection.h"

// clang-format off
#include "platform/windows/win32.h"
#include <dpapi.h>
// clang-format on

#include "platform/system_error.h"

namespace norvane::platform {

namespace {

// The service's output buffer, released with LocalFree on every path.
// Unprotected output is plaintext and is wiped first.
class LocalBuffer {
 public:
  LocalBuffer(DATA_BLOB& blob, bool secret) noexcept : blob_(blob), secret_(secret) {}
  LocalBuffer(const LocalBuffer&) = delete;
  LocalBuffer& operator=(const LocalBuffer&) = delete;
  ~LocalBuffer() {
    if (secret_ && blob_.pbData != nullptr && blob_.cbData != 0) {
      SecureZeroMemory(blob_.pbData, blob_.cbData);
    }
    LocalFree(blob_.pbData);
  }

 private:
  DATA_BLOB& blob_;
  bool secret_;
};

[[nodiscard]] std::string copy_out(const DATA_BLOB& out) {
  if (out.cbData == 0 || out.pbData == nullptr) return {};
  return std::string(reinterpret_cast<const char*>(out.pbData), out.cbData);
}

[[nodiscard]] DATA_BLOB input_blob(std::span<const char> input) noexcept {
  DATA_BLOB in{};
  in.cbData = static_cast<DWORD>(input.size());
  in.pbData = reinterpret_cast<BYTE*>(const_cast<char*>(input.data()));
  return in;
}

}  // namespace

std::expected<std::string, std::uint32_t> protect_data(std::span<const char> input) {
  if (!fits_data_blob(input.size())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::unexpected(static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));
  }
  DATA_BLOB in = input_blob(input);
  DATA_BLOB out{0, nullptr};
  if (!CryptProtectData(&in, nullptr, nullptr, nullptr, nullptr, 0, &out)) {
    // Read at once: nothing else may run between the call and this.
    return std::unexpected(static_cast<std::uint32_t>(GetLastError()));
  }
  const LocalBuffer release(out, false);
  return copy_out(out);
}

std::expected<std::string, std::uint32_t> unprotect_data(std::span<const char> blob) {
  if (!fits_data_blob(blob.size())) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return std::unexpected(static_cast<std::uint32_t>(ERROR_INVALID_PARAMETER));
  }
  DATA_BLOB in = input_blob(blob);
  DATA_BLOB out{0, nullptr};
  if (!CryptUnprotectData(&in, nullptr, nullptr, nullptr, nullptr, 0, &out)) {
    return std::unexpected(static_cast<std::uint32_t>(GetLastError()));
  }
  const LocalBuffer release(out, true);
  return copy_out(out);
}

}  // namespace norvane::platform

#endif  // _WIN32
