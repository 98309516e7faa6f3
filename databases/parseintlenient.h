#pragma once

#include <cstdint>
#include <string_view>

// Reads an integer from text without ever failing: everything from the first
// "." on is dropped, leading blanks are skipped, an optional "+" or "-"
// follows, then digits are read up to the first other character. A "$", "x"
// or "0x" prefix (any case) reads hexadecimal digits instead of decimal ones.
// An empty text, or one with no digits, reads as 0. Values beyond the signed
// 32-bit range are clamped to it.
std::int32_t ParseIntLenient(std::string_view text);
