// Random bytes straight from the kernel's CSPRNG (getrandom). OpenSSL's DRBG
// is not used: setting it up costs milliseconds in a short-lived process.
//
// A system call costs far more than the few bytes of a nonce or a note
// identifier, so small requests are served from a per-thread pool refilled in
// large blocks. Every byte handed out is wiped from the pool at once, so no
// byte is ever handed out twice. The pool lives in a mapping of its own that
// the kernel wipes in a forked child (MADV_WIPEONFORK), together with its
// count of unused bytes: a child starts with an empty pool and refills it
// from the kernel, never repeating what the parent hands out. Where the
// mapping cannot be made so, every request goes straight to the kernel.
#include "platform/random.h"

#include <sys/mman.h>
#include <sys/random.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>

#include "platform/secure_copy.h"
#include "platform/secure_wipe.h"

namespace norvane::platform {

namespace {

// Requests of more than this many bytes bypass the pool.
constexpr std::size_t kPooledMax = 64;
constexpr std::size_t kMappingBytes = 4096;

// Fills `out` from the kernel; a long request may come back in parts.
[[nodiscard]] bool direct(std::span<std::uint8_t> out) noexcept {
  while (!out.empty()) {
    const ssize_t n = ::getrandom(out.data(), out.size(), 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out = out.subspan(static_cast<std::size_t>(n));
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
        if (!direct(std::span{page_->bytes})) return false;
        page_->unused = kSize;
      }
      const std::size_t n = std::min(out.size(), page_->unused);
      std::uint8_t* from = page_->bytes + (kSize - page_->unused);
      // The bytes may become a key: copied so that no register keeps them.
      secure_copy(out.first(n), {from, n});
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
