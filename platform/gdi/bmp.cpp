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

// Pixel data is read in blocks of about this size.
constexpr size_t kBlockBytes = 64 * 1024;

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

// One colour channel of a BI_BITFIELDS or 16-bit pixel, widened to 8 bits by
// repeating its high bits (31 of 5 bits becomes 255), as Windows widens them.
// The channel's top 8 bits (all of them, when it has fewer) are shifted down
// and looked up, so a pixel costs the same whatever its masks.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint8_t widened[256] = {};  // a mask of 0 reads as 0 from every pixel

    bool set(uint32_t m) {
        mask = m;
        if (!m) return true;
        const int low = std::countr_zero(m), bits = std::popcount(m);
        const uint32_t run = m >> low;
        if (run & (run + 1)) return false;  // the set bits are not contiguous
        shift = low + std::max(0, bits - 8);
        const int kept = std::min(bits, 8);
        for (uint32_t v = 0; v < (1u << kept); ++v) {
            uint32_t out = 0;
            for (int filled = 0; filled < 8; filled += kept) {
                const int at = 8 - kept - filled;
                out |= at >= 0 ? v << at : v >> -at;
            }
            widened[v] = uint8_t(out);
        }
        return true;
    }
    uint32_t value(uint32_t px) const { return widened[(px & mask) >> shift]; }
};

// Rows of w pixels from the bytes of a row, one loop for each depth; the
// row is whole in the data, so nothing is checked per pixel. RLE absolute
// runs go through the same loops for 4 and 8 bits.
void row_1(const uint8_t* src, uint32_t* dst, int w, const uint32_t* palette) {
    int x = 0;
    for (; x + 8 <= w; x += 8, ++src)
        for (int i = 0; i < 8; ++i) dst[x + i] = palette[(*src >> (7 - i)) & 1];
    for (int i = 0; x < w; ++x, ++i) dst[x] = palette[(*src >> (7 - i)) & 1];
}
void row_4(const uint8_t* src, uint32_t* dst, int w, const uint32_t* palette) {
    int x = 0;
    for (; x + 2 <= w; x += 2, ++src) {
        dst[x] = palette[*src >> 4];
        dst[x + 1] = palette[*src & 0x0F];
    }
    if (x < w) dst[x] = palette[*src >> 4];
}
void row_8(const uint8_t* src, uint32_t* dst, int w, const uint32_t* palette) {
    for (int x = 0; x < w; ++x) dst[x] = palette[src[x]];
}
// A pixel's three bytes are read as four, but for the last pixel of the row,
// whose fourth may be past the data.
void row_24(const uint8_t* src, uint32_t* dst, int w) {
    int x = 0;
    for (; x + 1 < w; ++x, src += 3) dst[x] = u32(src) & 0xFFFFFF;
    if (x < w) dst[x] = uint32_t(src[2]) << 16 | uint32_t(src[1]) << 8 | src[0];
}
// 32 bits with the channels where 0x00RRGGBB has them: the top byte dropped.
void row_32(const uint8_t* src, uint32_t* dst, int w) {
    for (int x = 0; x < w; ++x, src += 4) dst[x] = u32(src) & 0xFFFFFF;
}
template <int kBytes>
void row_channels(const uint8_t* src, uint32_t* dst, int w, const Channel& r, const Channel& g, const Channel& b) {
    for (int x = 0; x < w; ++x, src += kBytes) {
        const uint32_t px = kBytes == 2 ? u16(src) : u32(src);
        dst[x] = r.value(px) << 16 | g.value(px) << 8 | b.value(px);
    }
}

// n pixels of one colour, eight stores at a time, which compilers make
// vector stores of where they would not vectorise a plain loop.
void fill_pixels(uint32_t* dst, size_t n, uint32_t colour) {
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        for (int k = 0; k < 8; ++k) dst[i + size_t(k)] = colour;
    for (; i < n; ++i) dst[i] = colour;
}

// An RLE run of n pixels: first, second, first, ... (one colour in RLE8, and
// in RLE4 when both nibbles are the same).
void fill_run(uint32_t* dst, int n, uint32_t first, uint32_t second) {
    if (first == second) {
        fill_pixels(dst, size_t(n), first);
        return;
    }
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        dst[i] = first;
        dst[i + 1] = second;
    }
    if (i < n) dst[i] = first;
}

// An RLE8 or RLE4 stream decoded into pixels through the colour table, fed
// in pieces as it is read. The position stays on the picture: x runs from 0
// to the width (there, past the row's end, nothing lands until the next
// line), and once y passes the top row, or the top row is full, no pixel is
// left to reach and decoding is done. Each code costs the pixels it writes
// and no more, whatever count or offset it carries: a run or an absolute run
// is clipped to the row once, then filled or looked up in one loop. The
// position only moves on, so no pixel is written twice.
class RleDecoder {
public:
    RleDecoder(bool four_bit, const uint32_t* palette, int w, int h, uint32_t* pixels, BmpWork& work)
        : four_bit_(four_bit), palette_(palette), w_(w), h_(h), pixels_(pixels), work_(work) {}

    bool done() const { return done_; }

    // Decodes the whole codes of [p, end); returns where the first
    // incomplete one starts (end when there is none).
    const uint8_t* decode(const uint8_t* p, const uint8_t* end) {
        while (!done_) {
            if (x_ == w_) p = step_over(p, end);
            if (end - p < 2) break;
            const uint8_t count = p[0], value = p[1];
            if (count > 0) {  // a run of one index, or of two alternating nibbles
                if (const int n = std::min(int(count), w_ - x_); n > 0) run(n, value);
                ++work_.codes;
                p += 2;
                advance(count);
            } else if (value == 0) {  // end of line
                ++work_.codes;
                p += 2;
                x_ = 0;
                up(1);
            } else if (value == 1) {  // end of bitmap
                ++work_.codes;
                p += 2;
                done_ = true;
            } else if (value == 2) {  // move right and up
                if (end - p < 4) break;
                const uint8_t dx = p[2], dy = p[3];
                ++work_.codes;
                p += 4;
                advance(dx);
                up(dy);
            } else {  // absolute: `value` indices follow
                const size_t size = absolute_size(value);
                if (size_t(end - p) < size) break;
                if (const int n = std::min(int(value), w_ - x_); n > 0) {
                    if (four_bit_) row_4(p + 2, row(), n, palette_);
                    else row_8(p + 2, row(), n, palette_);
                    work_.pixels += uint64_t(n);
                }
                ++work_.codes;
                p += size;
                advance(value);
            }
        }
        return p;
    }

private:
    // n pixels of a run at the position, n > 0 and inside the row.
    void run(int n, uint8_t value) {
        const uint32_t first = palette_[four_bit_ ? value >> 4 : value];
        const uint32_t second = four_bit_ ? palette_[value & 0x0F] : first;
        fill_run(row(), n, first, second);
        work_.pixels += uint64_t(n);
    }

    // An absolute run of n indices: the code, then the indices padded to a
    // 16-bit boundary.
    size_t absolute_size(uint8_t n) const {
        const size_t bytes = four_bit_ ? (size_t(n) + 1) / 2 : n;
        return 2 + ((bytes + 1) & ~size_t(1));
    }

    // Past the row's end nothing lands until the position moves up, so runs,
    // absolute runs and moves along the row are stepped over without
    // further work. Returns at the first other code, or an incomplete one.
    const uint8_t* step_over(const uint8_t* p, const uint8_t* end) {
        for (;; ++work_.codes) {
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
    BmpWork& work_;
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

// Uncompressed rows, top row first whatever order the file holds them in, a
// block of rows read at a time. Each row is converted into a row buffer and
// appended to the picture, so that its memory is written once.
template <class Convert>
bool read_rows(BmpFile& file, uint64_t at, uint64_t stride, int w, int h, bool top_down, DecodedBmp* out,
               Convert convert) {
    const int rows_per_block = int(std::max<uint64_t>(1, kBlockBytes / stride));
    std::vector<uint8_t> block(size_t(rows_per_block) * size_t(stride));
    std::vector<uint32_t> line(static_cast<size_t>(w));
    for (int first = 0; first < h; first += rows_per_block) {
        const int rows = std::min(rows_per_block, h - first);
        // The file's rows of picture rows [first, first + rows): the same
        // rows counted from the other end in a bottom-up file.
        const int in_file = top_down ? first : h - first - rows;
        if (!file.read(at + stride * uint64_t(in_file), block.data(), size_t(stride) * size_t(rows))) return false;
        for (int i = 0; i < rows; ++i) {
            convert(block.data() + size_t(stride) * size_t(top_down ? i : rows - 1 - i), line.data());
            out->pixels.insert(out->pixels.end(), line.begin(), line.end());
        }
        out->work.pixels += uint64_t(rows) * uint64_t(w);
    }
    return true;
}

}  // namespace

bool decode_bmp(BmpFile& file, DecodedBmp* out) {
    uint8_t data[kBmpHeadBytes];
    const size_t size = size_t(std::min<uint64_t>(file.size(), kBmpHeadBytes));
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
    if (rle) {
        // Pixels the stream skips keep index 0. Zeros are set at memset's
        // speed; another colour takes a second pass.
        out->pixels.assign(size_t(w) * size_t(h), 0);
        if (palette[0]) fill_pixels(out->pixels.data(), out->pixels.size(), palette[0]);
        RleDecoder decoder(compression == kRle4, palette, w, h, out->pixels.data(), out->work);
        return decode_rle(file, off_bits, decoder);
    }
    out->pixels.clear();
    out->pixels.reserve(size_t(w) * size_t(h));

    const uint32_t* pal = palette;
    const bool plain_32 = bpp == 32 && r.mask == 0xFF0000 && g.mask == 0xFF00 && b.mask == 0xFF;
    auto rows = [&](auto convert) { return read_rows(file, off_bits, stride, w, h, top_down, out, convert); };
    switch (bpp) {
        case 1: return rows([&](const uint8_t* s, uint32_t* d) { row_1(s, d, w, pal); });
        case 4: return rows([&](const uint8_t* s, uint32_t* d) { row_4(s, d, w, pal); });
        case 8: return rows([&](const uint8_t* s, uint32_t* d) { row_8(s, d, w, pal); });
        case 16: return rows([&](const uint8_t* s, uint32_t* d) { row_channels<2>(s, d, w, r, g, b); });
        case 24: return rows([&](const uint8_t* s, uint32_t* d) { row_24(s, d, w); });
        default:
            if (plain_32) return rows([&](const uint8_t* s, uint32_t* d) { row_32(s, d, w); });
            return rows([&](const uint8_t* s, uint32_t* d) { row_channels<4>(s, d, w, r, g, b); });
    }
}

}  // namespace plat
