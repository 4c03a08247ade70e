// Code page 932 decoding with iconv, one character at a time so that a byte
// pair outside the code page spoils only itself.
#include "gdi/cp932.h"

#include <iconv.h>

#include <cstring>

namespace plat {

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
    static iconv_t cd = iconv_open("UTF-32LE", "CP932");
    for (size_t i = 0, count = n > 0 ? size_t(n) : 0; i < count;) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back({b, false});
            ++i;
            continue;
        }
        const size_t len = cp932_char_len(s, i, count);
        uint32_t cp = '?';
        if (cd != reinterpret_cast<iconv_t>(-1)) {
            char in[2] = {s[i], len == 2 ? s[i + 1] : '\0'};
            char* pin = in;
            size_t inleft = len;
            char outb[8];
            char* pout = outb;
            size_t outleft = sizeof outb;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &pin, &inleft, &pout, &outleft) != size_t(-1) && outleft == 4)
                std::memcpy(&cp, outb, 4);
        }
        out.push_back({cp, len == 2});
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
