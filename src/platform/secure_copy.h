// Copying secrets without leaving a copy of them in the processor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace norvane::platform {

// Copies `from` into `to`, which is exactly as long, one byte at a time
// through volatile accesses, which the compiler may neither merge, nor
// vectorise, nor turn into a call to memcpy.
//
// memcpy moves a few dozen bytes through vector registers and leaves them
// there. With AVX-512, glibc's memcpy uses %ymm16 and %ymm17, which little
// other code touches, so a key copied with it stays in them long after it
// has been wiped from memory, until the thread takes a signal or binds a
// function through the dynamic linker: both save every register on the
// thread's stack, where nothing wipes them. Copied a byte at a time, at most
// one byte is left behind, in a general-purpose register.
inline void secure_copy(std::span<std::uint8_t> to, std::span<const std::uint8_t> from) noexcept {
  volatile std::uint8_t* out = to.data();
  const volatile std::uint8_t* in = from.data();
  for (std::size_t i = 0; i < from.size(); ++i) out[i] = in[i];
}

}  // namespace norvane::platform
