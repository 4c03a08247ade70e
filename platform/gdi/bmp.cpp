// BMP decoding. Every read is checked against the end of the data before it
// is made; sizes are computed in 64 bits and bounded before anything is
// allocated, so no file, however made, reads or writes out of bounds.
#include "gdi/bmp.h"

#include <algorithm>
#include <bit>

namespace plat {
namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// One colour channel of a BI_BITFIELDS or 16-bit pixel, widened to 8 bits by
// repeating its high bits (31 of 5 bits becomes 255), as Windows widens them.
struct Channel {
    uint32_t mask = 0;
    int shift = 0, bits = 0;

    bool set(uint32_t m) {
        mask = m;
        if (!m) return true;
        shift = std::countr_zero(m);
        bits = std::popcount(m);
        uint32_t run = m >> shift;
        return (run & (run + 1)) == 0;  // the set bits are contiguous
    }
    uint32_t value(uint32_t px) const {
        if (!bits) return 0;
        uint32_t v = (px & mask) >> shift;
        if (bits >= 8) return v >> (bits - 8);
        uint32_t out = 0;
        for (int filled = 0; filled < 8; filled += bits) {
            int at = 8 - bits - filled;
            out |= at >= 0 ? v << at : v >> -at;
        }
        return out & 0xFF;
    }
};

// Indices decoded from RLE data, 0 where the data skips a pixel.
bool decode_rle(const uint8_t* p, const uint8_t* end, bool four_bit, int w, int h, std::vector<uint8_t>& idx) {
    int x = 0, y = 0;  // y counts rows from the bottom
    auto put = [&](uint8_t v) {
        if (x < w && y < h) idx[size_t(h - 1 - y) * size_t(w) + size_t(x)] = v;
        ++x;
    };
    while (p < end) {
        if (end - p < 2) return false;
        uint8_t count = p[0], value = p[1];
        p += 2;
        if (count > 0) {  // a run of one index, or of two alternating nibbles
            for (int i = 0; i < count; ++i)
                put(four_bit ? uint8_t((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of line
            x = 0;
            ++y;
        } else if (value == 1) {  // end of bitmap
            return true;
        } else if (value == 2) {  // move right and up
            if (end - p < 2) return false;
            x += p[0];
            y += p[1];
            p += 2;
        } else {  // absolute: `value` indices follow, padded to a 16-bit boundary
            size_t bytes = four_bit ? (size_t(value) + 1) / 2 : value;
            size_t padded = (bytes + 1) & ~size_t(1);
            if (size_t(end - p) < padded) return false;
            for (int i = 0; i < value; ++i)
                put(four_bit ? uint8_t((i & 1) ? p[i / 2] & 0x0F : p[i / 2] >> 4) : p[i]);
            p += padded;
        }
        if (y >= h) return true;  // past the top: nothing more can land
    }
    return true;  // the data ends between commands, without an end marker
}

}  // namespace

bool decode_bmp(const uint8_t* data, size_t size, DecodedBmp* out) {
    if (!data || size < 14 + 12 || data[0] != 'B' || data[1] != 'M') return false;
    const uint32_t off_bits = u32(data + 10);
    const uint8_t* hdr = data + 14;
    const uint32_t hsize = u32(hdr);
    if (hsize != 12 && hsize != 40 && hsize != 52 && hsize != 56 && hsize != 108 && hsize != 124) return false;
    if (size < 14 + size_t(hsize)) return false;

    int64_t width, height;
    uint32_t planes, bpp, compression = kRgb, clr_used = 0;
    size_t entry_size = 4;
    if (hsize == 12) {  // core header: 16-bit sizes, RGB triples, bottom-up
        width = u16(hdr + 4);
        height = u16(hdr + 6);
        planes = u16(hdr + 8);
        bpp = u16(hdr + 10);
        entry_size = 3;
    } else {
        width = int32_t(u32(hdr + 4));
        height = int32_t(u32(hdr + 8));
        planes = u16(hdr + 12);
        bpp = u16(hdr + 14);
        compression = u32(hdr + 16);
        clr_used = u32(hdr + 32);
    }
    const bool top_down = height < 0;
    height = top_down ? -height : height;
    if (planes != 1 || width <= 0 || height <= 0) return false;
    if (width > kMaxBmpSide || height > kMaxBmpSide || width * height > kMaxBmpPixels) return false;
    const bool rle = compression == kRle8 || compression == kRle4;
    const bool valid = (compression == kRgb && (bpp == 1 || bpp == 4 || bpp == 8 || bpp == 16 || bpp == 24 || bpp == 32)) ||
                       (compression == kRle8 && bpp == 8) || (compression == kRle4 && bpp == 4) ||
                       (compression == kBitfields && (bpp == 16 || bpp == 32));
    if (!valid || (rle && top_down)) return false;

    // Channel masks: from the header (V2 and later), or the three words after
    // an info header, or the defaults for 16 and 32 bits.
    size_t table_at = 14 + size_t(hsize);
    Channel r, g, b;
    if (compression == kBitfields) {
        const uint8_t* m = hdr + 40;
        if (hsize == 40) {
            if (size < table_at + 12) return false;
            m = data + table_at;
            table_at += 12;
        }
        if (!r.set(u32(m)) || !g.set(u32(m + 4)) || !b.set(u32(m + 8))) return false;
    } else if (bpp == 16) {
        r.set(0x7C00), g.set(0x03E0), b.set(0x001F);
    } else {
        r.set(0xFF0000), g.set(0xFF00), b.set(0xFF);
    }

    // The colour table. Indices past a short table are black.
    uint32_t palette[256] = {};
    if (bpp <= 8) {
        size_t entries = clr_used && clr_used < (1u << bpp) ? clr_used : size_t(1) << bpp;
        if (size < table_at + entries * entry_size) return false;
        for (size_t i = 0; i < entries; ++i) {
            const uint8_t* e = data + table_at + i * entry_size;
            palette[i] = uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0];
        }
    }
    if (off_bits >= size) return false;

    const int w = int(width), h = int(height);
    out->width = w;
    out->height = h;
    out->bits_per_pixel = int(bpp);
    out->pixels.assign(size_t(w) * size_t(h), 0);

    if (rle) {
        std::vector<uint8_t> idx(size_t(w) * size_t(h), 0);
        if (!decode_rle(data + off_bits, data + size, compression == kRle4, w, h, idx)) return false;
        for (size_t i = 0; i < idx.size(); ++i) out->pixels[i] = palette[idx[i]];
        return true;
    }

    const uint64_t stride = ((uint64_t(w) * bpp + 31) / 32) * 4;
    if (size - off_bits < stride * uint64_t(h)) return false;
    for (int row = 0; row < h; ++row) {
        const uint8_t* src = data + off_bits + stride * uint64_t(top_down ? row : h - 1 - row);
        uint32_t* dst = out->pixels.data() + size_t(row) * size_t(w);
        for (int x = 0; x < w; ++x) {
            switch (bpp) {
                case 1: dst[x] = palette[(src[x >> 3] >> (7 - (x & 7))) & 1]; break;
                case 4: dst[x] = palette[(src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F]; break;
                case 8: dst[x] = palette[src[x]]; break;
                case 24: dst[x] = uint32_t(src[3 * x + 2]) << 16 | uint32_t(src[3 * x + 1]) << 8 | src[3 * x]; break;
                default: {
                    uint32_t px = bpp == 16 ? u16(src + 2 * x) : u32(src + 4 * x);
                    dst[x] = r.value(px) << 16 | g.value(px) << 8 | b.value(px);
                }
            }
        }
    }
    return true;
}

}  // namespace plat
