// Random bytes from OpenSSL's DRBGs, which are seeded from getrandom.
//
// A call to RAND_bytes costs far more than the few bytes of a nonce or a note
// identifier, so small requests are served from a per-thread pool refilled in
// large blocks. Every byte handed out is wiped from the pool at once, so no
// byte is ever handed out twice. The pool lives in a mapping of its own that
// the kernel wipes in a forked child (MADV_WIPEONFORK), together with its
// count of unused bytes: a child starts with an empty pool and refills it
// from its own generator, never repeating what the parent hands out. Where
// the mapping cannot be made so, requests go straight to RAND_bytes.
#include "platform/random.h"

#include <openssl/rand.h>
#include <sys/mman.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>

#include "platform/secure_wipe.h"

namespace norvane::platform {

namespace {

// Requests of more than this many bytes bypass the pool.
constexpr std::size_t kPooledMax = 64;
constexpr std::size_t kMappingBytes = 4096;

[[nodiscard]] bool direct(std::span<std::uint8_t> out) noexcept {
  // RAND_bytes takes an int count.
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  while (!out.empty()) {
    const std::size_t n = std::min(out.size(), kChunk);
    if (RAND_bytes(out.data(), static_cast<int>(n)) != 1) return false;
    out = out.subspan(n);
  }
  return true;
}

// The pool's mapping: the count of unused bytes, then the bytes. Unused bytes
// are the last `unused` bytes of `bytes`; everything before them is zero.
struct PoolPage {
  std::size_t unused;
  std::uint8_t bytes[kMappingBytes - sizeof(std::size_t)];
};
static_assert(sizeof(PoolPage) == kMappingBytes);

class Pool {
 public:
  Pool() noexcept {
    void* map =
        ::mmap(nullptr, kMappingBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED) return;
    if (::madvise(map, kMappingBytes, MADV_WIPEONFORK) != 0) {
      ::munmap(map, kMappingBytes);
      return;
    }
    (void)::madvise(map, kMappingBytes, MADV_DONTDUMP);
    page_ = static_cast<PoolPage*>(map);  // zero-filled: an empty pool
  }
  ~Pool() {
    if (page_ == nullptr) return;
    secure_wipe(page_, kMappingBytes);
    ::munmap(page_, kMappingBytes);
  }
  Pool(const Pool&) = delete;
  Pool& operator=(const Pool&) = delete;

  [[nodiscard]] bool take(std::span<std::uint8_t> out) noexcept {
    if (page_ == nullptr) return direct(out);
    constexpr std::size_t kSize = sizeof(page_->bytes);
    while (!out.empty()) {
      if (page_->unused == 0) {
        if (RAND_bytes(page_->bytes, static_cast<int>(kSize)) != 1) return false;
        page_->unused = kSize;
      }
      const std::size_t n = std::min(out.size(), page_->unused);
      std::uint8_t* from = page_->bytes + (kSize - page_->unused);
      std::memcpy(out.data(), from, n);
      secure_wipe(from, n);
      page_->unused -= n;
      out = out.subspan(n);
    }
    return true;
  }

 private:
  PoolPage* page_ = nullptr;
};

thread_local Pool t_pool;

}  // namespace

bool fill_random(std::span<std::uint8_t> out) noexcept {
  if (out.size() > kPooledMax) return direct(out);
  return t_pool.take(out);
}

}  // namespace norvane::platform
