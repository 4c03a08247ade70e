// BMP decoding. Every read is checked against the end of the data before it
// is made; sizes are computed in 64 bits and bounded before anything is
// allocated, and positions in an RLE stream never leave the picture, so no
// file, however made, reads or writes out of bounds.
#include "gdi/bmp.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace plat {
namespace {

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3 };

// What is read before the pixel data: the file header, the largest info
// header, three channel masks and a colour table of 256 entries.
constexpr size_t kHeadBytes = 14 + 124 + 12 + 256 * 4;

// Pixel data is read in blocks of about this size.
constexpr size_t kBlockBytes = 64 * 1024;

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

// An RLE8 or RLE4 stream decoded into pixels through the colour table, fed
// in pieces as it is read. The position stays on the picture: x runs from 0
// to the width (there, past the row's end, nothing lands until the next
// line), and once y passes the top row, or the top row is full, no pixel is
// left to reach and decoding is done. Each code costs the pixels it writes
// and no more, whatever count or offset it carries.
class RleDecoder {
public:
    RleDecoder(bool four_bit, const uint32_t* palette, int w, int h, uint32_t* pixels)
        : four_bit_(four_bit), palette_(palette), w_(w), h_(h), pixels_(pixels) {}

    bool done() const { return done_; }

    // Decodes the whole codes of [p, end); returns where the first
    // incomplete one starts (end when there is none).
    const uint8_t* decode(const uint8_t* p, const uint8_t* end) {
        while (!done_) {
            if (x_ == w_) p = step_over(p, end);
            if (end - p < 2) break;
            const uint8_t count = p[0], value = p[1];
            if (count > 0) {  // a run of one index, or of two alternating nibbles
                if (const int n = std::min(int(count), w_ - x_); n > 0) {
                    const uint32_t first = palette_[four_bit_ ? value >> 4 : value];
                    const uint32_t second = four_bit_ ? palette_[value & 0x0F] : first;
                    uint32_t* dst = row();
                    for (int i = 0; i < n; ++i) dst[i] = (i & 1) ? second : first;
                }
                p += 2;
                advance(count);
            } else if (value == 0) {  // end of line
                p += 2;
                x_ = 0;
                up(1);
            } else if (value == 1) {  // end of bitmap
                p += 2;
                done_ = true;
            } else if (value == 2) {  // move right and up
                if (end - p < 4) break;
                const uint8_t dx = p[2], dy = p[3];
                p += 4;
                advance(dx);
                up(dy);
            } else {  // absolute: `value` indices follow
                const size_t size = absolute_size(value);
                if (size_t(end - p) < size) break;
                const uint8_t* src = p + 2;
                uint32_t* dst = row();
                const int n = std::min(int(value), w_ - x_);
                for (int i = 0; i < n; ++i)
                    dst[i] = palette_[four_bit_ ? ((i & 1) ? src[i / 2] & 0x0F : src[i / 2] >> 4) : src[i]];
                p += size;
                advance(value);
            }
        }
        return p;
    }

private:
    // An absolute run of n indices: the code, then the indices padded to a
    // 16-bit boundary.
    size_t absolute_size(uint8_t n) const {
        const size_t bytes = four_bit_ ? (size_t(n) + 1) / 2 : n;
        return 2 + ((bytes + 1) & ~size_t(1));
    }

    // Past the row's end nothing lands until the position moves up, so runs,
    // absolute runs and moves along the row are stepped over without
    // further work. Returns at the first other code, or an incomplete one.
    const uint8_t* step_over(const uint8_t* p, const uint8_t* end) const {
        for (;;) {
            const size_t left = size_t(end - p);
            if (left < 2) return p;
            if (p[0] != 0) {  // a run
                p += 2;
            } else if (p[1] == 2) {  // a move: along the row only
                if (left < 4 || p[3] != 0) return p;
                p += 4;
            } else {  // an absolute run
                if (p[1] < 3 || left < absolute_size(p[1])) return p;
                p += absolute_size(p[1]);
            }
        }
    }

    // The pixel at the position; y counts rows from the bottom.
    uint32_t* row() const { return pixels_ + size_t(h_ - 1 - y_) * size_t(w_) + size_t(x_); }
    void advance(int n) {
        x_ = std::min(x_ + n, w_);
        if (x_ == w_ && y_ == h_ - 1) done_ = true;
    }
    void up(int n) {
        y_ += n;
        if (y_ >= h_) done_ = true;
    }

    const bool four_bit_;
    const uint32_t* const palette_;
    const int w_, h_;
    uint32_t* const pixels_;
    int x_ = 0, y_ = 0;
    bool done_ = false;
};

// Reads the stream from `at` in blocks, carrying a code cut by a block's end
// into the next block, until decoding is done or the data ends. A code that
// the data cuts short fails.
bool decode_rle(BmpFile& file, uint64_t at, RleDecoder& rle) {
    constexpr size_t kLongestCode = 2 + 256;  // an absolute run of 255 indices, padded
    std::vector<uint8_t> buf(kBlockBytes + kLongestCode);
    uint64_t left = std::min(file.size() - at, kMaxBmpDataBytes);
    size_t have = 0;
    for (;;) {
        const size_t n = size_t(std::min<uint64_t>(left, buf.size() - have));
        if (n && !file.read(at, buf.data() + have, n)) return false;
        at += n;
        left -= n;
        have += n;
        const uint8_t* stop = rle.decode(buf.data(), buf.data() + have);
        const size_t rest = size_t(buf.data() + have - stop);
        if (rle.done() || left == 0) return rle.done() || rest == 0;
        std::memmove(buf.data(), stop, rest);
        have = rest;
    }
}

}  // namespace

bool decode_bmp(BmpFile& file, DecodedBmp* out) {
    uint8_t data[kHeadBytes];
    const size_t size = size_t(std::min<uint64_t>(file.size(), kHeadBytes));
    if (size < 14 + 12 || !file.read(0, data, size) || data[0] != 'B' || data[1] != 'M') return false;
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
    if (off_bits >= file.size()) return false;

    // An uncompressed picture must be whole in the file before its pixels
    // are allocated: a short file claiming a large picture costs nothing.
    const int w = int(width), h = int(height);
    const uint64_t stride = ((uint64_t(w) * bpp + 31) / 32) * 4;
    if (!rle && file.size() - off_bits < stride * uint64_t(h)) return false;

    out->width = w;
    out->height = h;
    out->bits_per_pixel = int(bpp);
    // Pixels an RLE stream skips keep index 0.
    out->pixels.assign(size_t(w) * size_t(h), rle ? palette[0] : 0);

    if (rle) {
        RleDecoder decoder(compression == kRle4, palette, w, h, out->pixels.data());
        return decode_rle(file, off_bits, decoder);
    }

    // Rows in the order the file holds them, a block of rows at a time.
    const size_t rows_per_block = std::max<size_t>(1, kBlockBytes / stride);
    std::vector<uint8_t> block(rows_per_block * stride);
    for (int first = 0; first < h; first += int(rows_per_block)) {
        const int rows = std::min(int(rows_per_block), h - first);
        if (!file.read(off_bits + stride * uint64_t(first), block.data(), size_t(stride) * size_t(rows))) return false;
        for (int i = 0; i < rows; ++i) {
            const uint8_t* src = block.data() + size_t(stride) * size_t(i);
            const int row = top_down ? first + i : h - 1 - (first + i);
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
    }
    return true;
}

}  // namespace plat
