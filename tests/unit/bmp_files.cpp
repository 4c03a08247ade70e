#include "bmp_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

namespace {

void put16(std::vector<uint8_t>& b, uint32_t v) {
    b.push_back(uint8_t(v));
    b.push_back(uint8_t(v >> 8));
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void set32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + size_t(i)] = uint8_t(v >> (8 * i));
}

// One row of pixel data, padded to 4 bytes.
std::vector<uint8_t> row_bits(const BmpForm& f, const IndexImage& img, int y) {
    std::vector<uint8_t> r;
    uint32_t acc = 0;
    int nbits = 0;
    for (int x = 0; x < img.width; ++x) {
        uint8_t i = img.index[size_t(y) * img.width + x];
        uint32_t c = img.rgb(x, y), R = c >> 16, G = (c >> 8) & 0xFF, B = c & 0xFF;
        switch (f.bpp) {
            case 1: case 4: case 8:
                acc = acc << f.bpp | i;
                nbits += f.bpp;
                if (nbits == 8) r.push_back(uint8_t(acc)), acc = 0, nbits = 0;
                break;
            case 16:  // 5-5-5, or 5-6-5 with bit fields
                put16(r, f.coding == BmpCoding::bitfields ? (R >> 3) << 11 | (G >> 2) << 5 | B >> 3
                                                          : (R >> 3) << 10 | (G >> 3) << 5 | B >> 3);
                break;
            case 24: r.push_back(uint8_t(B)), r.push_back(uint8_t(G)), r.push_back(uint8_t(R)); break;
            case 32:  // bit fields: red in the low byte, the reverse of the usual order; the
                      // top byte, which no channel has, set as editors that save alpha set it
                put32(r, (f.coding == BmpCoding::bitfields ? R | G << 8 | B << 16 : B | G << 8 | R << 16) | 0xFF000000);
                break;
        }
    }
    if (nbits) r.push_back(uint8_t(acc << (8 - nbits)));
    while (r.size() % 4) r.push_back(0);
    return r;
}

// Run-length data: even rows as runs, odd rows in absolute mode, an end of
// line after each row and an end of bitmap after the last.
std::vector<uint8_t> rle_bits(const BmpForm& f, const IndexImage& img) {
    const bool four = f.coding == BmpCoding::rle4;
    std::vector<uint8_t> out;
    for (int row = 0; row < img.height; ++row) {
        int y = img.height - 1 - row;  // bottom row first
        const uint8_t* px = &img.index[size_t(y) * img.width];
        if (row % 2 == 0 || img.width < 3) {
            for (int x = 0; x < img.width;) {
                int n = 1;
                while (x + n < img.width && px[x + n] == px[x] && n < 255) ++n;
                out.push_back(uint8_t(n));
                out.push_back(four ? uint8_t(px[x] << 4 | px[x]) : px[x]);
                x += n;
            }
        } else {
            out.push_back(0);
            out.push_back(uint8_t(img.width));
            size_t start = out.size();
            for (int x = 0; x < img.width; ++x) {
                if (!four) out.push_back(px[x]);
                else if (x % 2 == 0) out.push_back(uint8_t(px[x] << 4));
                else out.back() |= px[x];
            }
            if ((out.size() - start) % 2) out.push_back(0);
        }
        out.push_back(0);
        out.push_back(row + 1 < img.height ? 0 : 1);
    }
    return out;
}

}  // namespace

IndexImage test_image(int colours) {
    const uint32_t all[8] = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF};
    IndexImage img{19, 5, {}, {}};
    for (int i = 0; i < colours; ++i) img.palette.push_back(all[i % 8]);
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) img.index.push_back(uint8_t((x / 2 + 3 * y) % colours));
    return img;
}

std::vector<uint8_t> encode_bmp(const BmpForm& f, const IndexImage& img) {
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const bool core = f.header == BmpHeader::core;
    const uint32_t hsize = core ? 12 : f.header == BmpHeader::info ? 40 : f.header == BmpHeader::v4 ? 108 : 124;
    const uint32_t compression = f.coding == BmpCoding::rle8 ? 1 : f.coding == BmpCoding::rle4 ? 2
                                 : f.coding == BmpCoding::bitfields ? 3 : 0;
    const int entries = f.bpp > 8 ? 0 : f.table ? f.table : 1 << f.bpp;
    uint32_t masks[3] = {0, 0, 0};
    if (f.coding == BmpCoding::bitfields) {
        if (f.bpp == 16) masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
        else masks[0] = 0x0000FF, masks[1] = 0x00FF00, masks[2] = 0xFF0000;
    }
    std::vector<uint8_t> bits;
    if (f.coding == BmpCoding::rle8 || f.coding == BmpCoding::rle4) {
        bits = rle_bits(f, img);
    } else {
        for (int row = 0; row < img.height; ++row) {
            auto r = row_bits(f, img, f.top_down ? row : img.height - 1 - row);
            bits.insert(bits.end(), r.begin(), r.end());
        }
    }
    put32(b, hsize);
    if (core) {
        put16(b, uint32_t(img.width));
        put16(b, uint32_t(img.height));
        put16(b, 1);
        put16(b, uint32_t(f.bpp));
    } else {
        put32(b, uint32_t(img.width));
        put32(b, uint32_t(f.top_down ? -img.height : img.height));
        put16(b, 1);
        put16(b, uint32_t(f.bpp));
        put32(b, compression);
        put32(b, uint32_t(bits.size()));
        put32(b, 2835);
        put32(b, 2835);
        put32(b, f.table && f.bpp <= 8 ? uint32_t(f.table) : 0);
        put32(b, 0);
        if (hsize > 40) {
            for (uint32_t m : masks) put32(b, m);
            put32(b, 0);  // alpha mask
            while (b.size() < 14 + hsize) b.push_back(0);
        } else if (f.coding == BmpCoding::bitfields) {
            for (uint32_t m : masks) put32(b, m);
        }
    }
    for (int i = 0; i < entries; ++i) {
        uint32_t c = i < int(img.palette.size()) ? img.palette[size_t(i)] : 0x808080;
        b.push_back(uint8_t(c)), b.push_back(uint8_t(c >> 8)), b.push_back(uint8_t(c >> 16));
        if (!core) b.push_back(0);
    }
    set32(b, 10, uint32_t(b.size()));
    b.insert(b.end(), bits.begin(), bits.end());
    set32(b, 2, uint32_t(b.size()));
    return b;
}

std::string write_file(const std::string& name, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(name.c_str(), "wb");
    if (f) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return name;
}

void append_repeated(std::vector<uint8_t>& out, const std::vector<uint8_t>& unit, size_t times) {
    const size_t start = out.size(), total = times * unit.size();
    if (!total) return;
    out.resize(start + total);
    std::copy(unit.begin(), unit.end(), out.begin() + std::ptrdiff_t(start));
    for (size_t done = unit.size(); done < total;) {
        const size_t n = std::min(done, total - done);
        std::copy_n(out.begin() + std::ptrdiff_t(start), n, out.begin() + std::ptrdiff_t(start + done));
        done += n;
    }
}

std::vector<uint8_t> rle_stream(const char* codes, bool four_bit) {
    std::vector<uint8_t> out, code;
    for (const char* p = codes; *p;) {
        if (*p == ' ') {
            ++p;
            continue;
        }
        const char kind = *p++;
        char* next;
        auto number = [&](int base = 10) {
            long v = std::strtol(p, &next, base);
            p = *next == ',' || *next == ':' ? next + 1 : next;
            return uint32_t(v);
        };
        auto index_byte = [&](uint32_t v) { return uint8_t(four_bit ? (v << 4 | v) : v); };
        code.clear();
        switch (kind) {
            case 'r': {
                uint32_t n = number();
                code = {uint8_t(n), index_byte(number())};
                break;
            }
            case 'a': {
                std::vector<uint8_t> idx;
                while (*p >= '0' && *p <= '9') idx.push_back(uint8_t(number()));
                code = {0, uint8_t(idx.size())};
                for (size_t i = 0; i < idx.size(); ++i) {
                    if (!four_bit) code.push_back(idx[i]);
                    else if (i % 2 == 0) code.push_back(uint8_t(idx[i] << 4));
                    else code.back() |= idx[i];
                }
                if (code.size() % 2) code.push_back(0);
                break;
            }
            case 'd': {
                uint32_t dx = number();
                code = {0, 2, uint8_t(dx), uint8_t(number())};
                break;
            }
            case 'e': code = {0, 0}; break;
            case 'E': code = {0, 1}; break;
            case 'x':
                while (std::isxdigit(uint8_t(*p))) code.push_back(uint8_t(number(16)));
                break;
        }
        size_t times = 1;
        if (*p == '*') {
            ++p;
            times = std::strtoul(p, &next, 10);
            p = next;
        }
        append_repeated(out, code, times);
    }
    return out;
}

uint32_t rle_colour(int i) { return uint32_t(0x80 + i) << 16 | uint32_t(i) << 8 | uint32_t(i * 16 + 1) % 256; }

std::vector<uint8_t> encode_rle(int width, int height, bool four_bit, const std::vector<uint8_t>& stream) {
    std::vector<uint8_t> b = {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const int entries = four_bit ? 16 : 256;
    put32(b, 40);
    put32(b, uint32_t(width));
    put32(b, uint32_t(height));
    put16(b, 1);
    put16(b, four_bit ? 4 : 8);
    put32(b, four_bit ? 2 : 1);
    put32(b, uint32_t(stream.size()));
    put32(b, 2835);
    put32(b, 2835);
    put32(b, 0);
    put32(b, 0);
    for (int i = 0; i < entries; ++i) put32(b, rle_colour(i));
    set32(b, 10, uint32_t(b.size()));
    b.reserve(b.size() + stream.size());
    b.insert(b.end(), stream.begin(), stream.end());
    set32(b, 2, uint32_t(b.size()));
    return b;
}
