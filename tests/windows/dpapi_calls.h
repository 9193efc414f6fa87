// The library's calls into the Data Protection API, as it made them.
// windows_tests is linked with --wrap for CryptProtectData and
// CryptUnprotectData, so that every call goes through a hook that records it
// and passes it on unchanged. The shipped program contains none of this.
#pragma once

#include <vector>

#include "platform/windows/win32.h"

namespace norvane::testing {

struct DpapiCall {
  bool protect = false;  // CryptProtectData; else CryptUnprotectData
  DWORD flags = 0;
  // A description, entropy, the reserved pointer or a prompt.
  bool optional_arguments = false;
  // Where the service put its output, and how much: an address only, which
  // is freed by the time it is read.
  const void* output = nullptr;
  DWORD output_size = 0;
};

// Records the calls made while it lives. Make the calls on one thread.
class DpapiCallLog {
 public:
  DpapiCallLog();
  ~DpapiCallLog();
  DpapiCallLog(const DpapiCallLog&) = delete;
  DpapiCallLog& operator=(const DpapiCallLog&) = delete;

  [[nodiscard]] const std::vector<DpapiCall>& calls() const noexcept;
};

}  // namespace norvane::testing
