#include "platform/posix/key_cache.h"

#include <string>
#include <utility>

#include "platform/data_protection.h"
#include "platform/posix/evp_gcm.h"
#include "platform/system_error.h"

namespace norvane::platform::posix {

namespace {

struct KeyCache {
  std::string path;
  FileIdentity identity;
  MasterKey key;
  CipherCtx seal;
  CipherCtx open;
  std::uint64_t checked_in_batch = 0;
  bool loaded = false;

  KeyCache() = default;
  KeyCache(const KeyCache&) = delete;
  KeyCache& operator=(const KeyCache&) = delete;
  ~KeyCache() { clear(); }

  // Forgets the key; resetting a context wipes its key schedule.
  void clear() noexcept {
    loaded = false;
    checked_in_batch = 0;
    key.wipe();
    path.clear();
    if (seal) EVP_CIPHER_CTX_reset(seal.get());
    if (open) EVP_CIPHER_CTX_reset(open.get());
  }

  [[nodiscard]] bool key_contexts() noexcept {
    if (!seal) seal.reset(EVP_CIPHER_CTX_new());
    if (!open) open.reset(EVP_CIPHER_CTX_new());
    return seal && open && gcm_key(seal.get(), true, key.key) &&
           gcm_key(open.get(), false, key.key);
  }

  [[nodiscard]] UserKey user_key() const noexcept { return {key.id, seal.get(), open.get()}; }
};

thread_local KeyCache t_key_cache;

}  // namespace

std::expected<UserKey, std::uint32_t> user_key(KeyUse use) {
  KeyCache& cache = t_key_cache;
  const std::uint64_t batch = KeyCheckBatch::current();
  if (batch != 0 && cache.loaded && cache.checked_in_batch == batch) return cache.user_key();

  auto paths = key_store_paths();
  if (!paths) return std::unexpected(kErrorAccessDenied);

  if (cache.loaded && cache.path == paths->file) {
    if (const auto now = identity_at(paths->file); now && *now == cache.identity) {
      cache.checked_in_batch = batch;
      return cache.user_key();
    }
  }
  cache.clear();

  const auto identity = load_user_key(*paths, use, cache.key);
  if (!identity) {
    cache.clear();
    return std::unexpected(identity.error());
  }
  if (!cache.key_contexts()) {
    cache.clear();
    return std::unexpected(kErrorGenFailure);
  }
  cache.identity = *identity;
  cache.path = std::move(paths->file);
  cache.loaded = true;
  cache.checked_in_batch = batch;
  return cache.user_key();
}

}  // namespace norvane::platform::posix
