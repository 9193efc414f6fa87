// The buffers that the C interface hands out: allocated here, wiped and
// freed only by norvane_free().
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "c/c_error.h"

namespace norvane::c_api {

// A copy of `bytes` with a NUL after them, or nullptr when memory ran out.
[[nodiscard]] char* copy_to_buffer(std::span<const char> bytes) noexcept;

// Hands `bytes` out as a buffer in *out (and its length in *out_len, when
// asked), then wipes `bytes`, which may be plaintext. nullptr on success.
[[nodiscard]] ErrorPtr hand_out(std::string& bytes, char** out, std::size_t* out_len);

}  // namespace norvane::c_api
