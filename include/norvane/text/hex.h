// Hexadecimal text of bytes and of 32-bit codes, as the library writes it
// (error codes, key identifiers) and as note identifiers are spelt.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace norvane::hex {

enum class Case { Lower, Upper };

// Appends two digits per byte, the high half of each byte first.
void append(std::string& out, std::span<const std::uint8_t> bytes, Case letters = Case::Lower);

// The digits of `bytes`, two per byte.
[[nodiscard]] std::string encode(std::span<const std::uint8_t> bytes, Case letters = Case::Lower);

// Appends the eight digits of `value`, the most significant first.
void append_u32(std::string& out, std::uint32_t value, Case letters = Case::Lower);

}  // namespace norvane::hex
