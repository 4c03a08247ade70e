#include "bmp_files.h"

#include <cstdio>

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
            case 32:  // bit fields: red in the low byte, the reverse of the usual order
                put32(r, f.coding == BmpCoding::bitfields ? R | G << 8 | B << 16 : B | G << 8 | R << 16);
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
    IndexImage img{7, 5, {}, {}};
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
