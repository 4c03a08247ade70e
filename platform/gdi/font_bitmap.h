#pragma once

namespace plat {

// Rows of the glyph for printable ASCII c (0x20..0x7E); 16 bytes, MSB = leftmost pixel.
// Any other byte gets the glyph of '?'.
const unsigned char* builtin_glyph(unsigned char c);
constexpr int kBuiltinCellW = 8, kBuiltinCellH = 16;

}  // namespace plat
