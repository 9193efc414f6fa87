// Overwriting secrets in memory in a way the compiler does not drop.
#pragma once

#include <cstddef>
#include <span>

namespace norvane::platform {

void secure_wipe(void* data, std::size_t size) noexcept;

template <typename T, std::size_t N>
void secure_wipe(std::span<T, N> data) noexcept {
  secure_wipe(static_cast<void*>(data.data()), data.size_bytes());
}

}  // namespace norvane::platform
