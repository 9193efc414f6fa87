#include "c/buffer.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/secure_wipe.h"

namespace norvane::c_api {

namespace {

// Every buffer starts, before the bytes that the caller sees, with the size
// of the whole block after it, so that norvane_free() can wipe it all.
struct alignas(std::max_align_t) Header {
  std::size_t size;
};

}  // namespace

char* copy_to_buffer(std::span<const char> bytes) noexcept {
  const std::size_t size = bytes.size() + 1;
  if (size == 0 || size > SIZE_MAX - sizeof(Header)) return nullptr;
  void* block = std::malloc(sizeof(Header) + size);
  if (block == nullptr) return nullptr;
  static_cast<Header*>(block)->size = size;
  char* data = static_cast<char*>(block) + sizeof(Header);
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  data[bytes.size()] = '\0';
  return data;
}

ErrorPtr hand_out(std::string& bytes, char** out, std::size_t* out_len) {
  char* buffer = copy_to_buffer(bytes);
  platform::secure_wipe(bytes.data(), bytes.size());
  if (buffer == nullptr) return ErrorPtr(out_of_memory());
  *out = buffer;
  if (out_len != nullptr) *out_len = bytes.size();
  return nullptr;
}

}  // namespace norvane::c_api

extern "C" void norvane_free(void* buffer) {
  if (buffer == nullptr) return;
  auto* block = static_cast<char*>(buffer) - sizeof(norvane::c_api::Header);
  norvane::platform::secure_wipe(buffer, reinterpret_cast<norvane::c_api::Header*>(block)->size);
  std::free(block);
}
