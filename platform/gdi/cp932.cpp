// Code page 932 decoding from a table compiled in (cp932_table.inc, read off
// the build host's iconv when the layer is built), so that every platform
// decodes alike, whatever its own C library knows of the code page.
#include "gdi/cp932.h"

#include <cstring>

namespace plat {

namespace {

#include "cp932_table.inc"

// The code point of one character's bytes, or '?' where they are none.
uint32_t code_point(unsigned char b, const char* s, size_t len) {
    uint16_t cp = 0;
    if (len == 1) {
        cp = kCp932Single[b - 0x80];
    } else {
        auto t = static_cast<unsigned char>(s[1]);
        const int row = b <= 0x9F ? b - 0x81 : b - 0xE0 + 0x1F;
        if (t >= kCp932TrailFirst && t <= kCp932TrailLast) cp = kCp932Double[row][t - kCp932TrailFirst];
    }
    return cp ? cp : '?';
}

}  // namespace

size_t cp932_fit(const char* s, size_t n, size_t max) {
    size_t at = 0;
    while (at < n) {
        size_t step = cp932_char_len(s, at, n);
        if (at + step > max) break;
        at += step;
    }
    return at;
}

void decode_cp932(const char* s, int n, std::vector<Char932>& out) {
    out.clear();
    for (size_t i = 0, count = n > 0 ? size_t(n) : 0; i < count;) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back({b, false});
            ++i;
            continue;
        }
        const size_t len = cp932_char_len(s, i, count);
        out.push_back({code_point(b, s + i, len), len == 2});
        i += len;
    }
}

std::string cp932_to_utf8(const char* s) {
    std::vector<Char932> chars;
    decode_cp932(s, int(std::strlen(s)), chars);
    std::string out;
    for (auto c : chars) {
        uint32_t cp = c.cp;
        if (cp < 0x80) {
            out += char(cp);
        } else if (cp < 0x800) {
            out += char(0xC0 | cp >> 6);
            out += char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += char(0xE0 | cp >> 12);
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        } else {
            out += char(0xF0 | cp >> 18);
            out += char(0x80 | ((cp >> 12) & 0x3F));
            out += char(0x80 | ((cp >> 6) & 0x3F));
            out += char(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

}  // namespace plat
