// A vault key as the C interface takes it: a pointer and a length, which
// must be 32.
#pragma once

#include <cstddef>
#include <cstdint>
#include <expected>

#include "c/c_error.h"
#include "norvane/protect/vault_key.h"

namespace norvane::c_api {

[[nodiscard]] std::expected<VaultKey, ErrorPtr> checked_vault_key(const std::uint8_t* key,
                                                                  std::size_t len);

}  // namespace norvane::c_api
