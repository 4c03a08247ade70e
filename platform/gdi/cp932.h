// Code page 932, the encoding of every string the A functions take: where a
// character starts and ends, its code point (from a table the build reads off
// the host's iconv, the same on every platform), and UTF-8 for what the
// system around the layer reads (titles, file names, fontconfig).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// Whether b starts a double-byte character.
inline bool cp932_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// The length in bytes (1 or 2) of the character that starts s[i] of the n
// bytes at s. A lead byte with nothing after it stands alone.
inline size_t cp932_char_len(const char* s, size_t i, size_t n) {
    return cp932_lead(static_cast<unsigned char>(s[i])) && i + 1 < n ? 2 : 1;
}

// The length of the longest prefix of the n bytes at s, at most max bytes
// long, that does not end inside a double-byte character.
size_t cp932_fit(const char* s, size_t n, size_t max);

// Bytes to code points, with whether each came from two bytes. A pair that
// is not a character of the code page decodes to '?'.
struct Char932 { uint32_t cp; bool wide; };
void decode_cp932(const char* s, int n, std::vector<Char932>& out);

// A zero-terminated string in UTF-8.
std::string cp932_to_utf8(const char* s);

}  // namespace plat
