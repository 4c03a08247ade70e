// Block copies: BitBlt, StretchBlt and TransparentBlt, drawing the pixels
// Windows draws for any extents, stretch factors and clipping.
//
// Each axis of a copy is planned once per call (blit_plan.h: which source
// pixels land on each visible destination pixel, by Windows' rules for
// extents, stretching and the source surface's edges); the row loops here
// then run with no checks. Equal sizes and exact doubling, the copies a game
// makes every frame, have loops of their own.
//
// The rules of what lands, found by experiment against Windows' GDI as Wine
// implements it and, where they differ, from what Wine's own conformance
// tests record of Windows:
// - Of the source pixels that land on one destination pixel, BLACKONWHITE
//   (the default) ANDs them, WHITEONBLACK ORs them, and COLORONCOLOR keeps
//   one (the planned pick).
// - Where nothing is read StretchBlt leaves the destination alone and
//   TransparentBlt draws black.
// - TransparentBlt stretches as StretchBlt does in BLACKONWHITE, whatever
//   the destination's mode, then leaves out the pixels equal to the key,
//   comparing the colour widened to 8 bits a channel (a 16-bit picture's
//   magenta is 0xFF00FF, not 0xF800F8). Negative extents fail; a source
//   extent of 0 draws black.
#include "common/out_of_memory.h"
#include "gdi/blit_plan.h"
#include "gdi/objects.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plat {
namespace {

// The pixel a TransparentBlt key stands for. A key is a colour value; one
// whose top byte has its low bit set names an entry of the default palette
// (the 20 static colours; black past them), and a DIBINDEX names an entry of
// a colour table the 32-bit surfaces do not have: black.
uint32_t key_pixel(UINT key) {
    static const COLORREF kDefaultPalette[20] = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0, 0xC0DCC0, 0xF0CAA6,
        0xF0FBFF, 0xA4A0A0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
    };
    if ((key >> 16) == 0x10FF) return 0;
    if (key >> 24 & 1) {
        const UINT index = key & 0xFFFF;
        return index < 20 ? to_pixel(kDefaultPalette[index]) : 0;
    }
    return to_pixel(key & 0xFFFFFF);
}

enum class Merge { pick, and_all, or_all };

Merge merge_for(int stretch_mode) {
    switch (stretch_mode) {
        case BLACKONWHITE: return Merge::and_all;
        case WHITEONBLACK: return Merge::or_all;
        default: return Merge::pick;
    }
}

// Where the copy reads its source: the surface itself, or, when source and
// destination are one surface and overlap, a snapshot of the part read, so
// that the result is as if the source were read whole before any write.
struct Source {
    const uint32_t* bits;
    int64_t stride;
    int64_t x_off, y_off;  // snapshot origin in surface coordinates
    const uint32_t* row(int64_t y) const { return bits + (y - y_off) * stride - x_off; }
};

// Copies the part read, [sx0, sx1) x [sy0, sy1), aside.
[[gnu::noinline]] Source snapshot(const Surface& src, int64_t sx0, int64_t sy0, int64_t sx1, int64_t sy1) {
    static auto& pixels = *new std::vector<uint32_t>;
    const int64_t w = sx1 - sx0, h = sy1 - sy0;
    pixels.resize(size_t(w * h));
    for (int64_t y = 0; y < h; ++y)
        std::memcpy(pixels.data() + y * w, src.bits + (sy0 + y) * src.stride + sx0, size_t(w) * 4);
    return Source{pixels.data(), w, sx0, sy0};
}

// The source of a copy that reads [sx0, sx1) x [sy0, sy1) and writes
// [dx0, dx1) x [dy0, dy1).
inline Source source_for(const Surface& src, const Surface& dst, int64_t sx0, int64_t sy0, int64_t sx1, int64_t sy1,
                         int64_t dx0, int64_t dy0, int64_t dx1, int64_t dy1) {
    if (&src != &dst || sx0 >= dx1 || dx0 >= sx1 || sy0 >= dy1 || dy0 >= sy1) return Source{src.bits, src.stride, 0, 0};
    return snapshot(src, sx0, sy0, sx1, sy1);
}

enum class Op { copy, keyed };

// One merged source row: the rows [first, first + count) ANDed (or ORed)
// over the columns [x0, x1), indexed by source column. Rows are merged
// first, a whole row at a time, so that the merge runs over contiguous
// pixels; the columns of one destination pixel are merged after.
const uint32_t* merge_rows(const Source& src, const Tap& r, int64_t x0, int64_t x1, Merge merge) {
    static auto& line = *new std::vector<uint32_t>;
    line.resize(size_t(x1 - x0));
    uint32_t* out = line.data();
    std::memcpy(out, src.row(r.first) + x0, size_t(x1 - x0) * 4);
    for (int j = 1; j < r.count; ++j) {
        const uint32_t* sp = src.row(r.first + j) + x0;
        if (merge == Merge::and_all)
            for (int64_t i = 0; i < x1 - x0; ++i) out[i] &= sp[i];
        else
            for (int64_t i = 0; i < x1 - x0; ++i) out[i] |= sp[i];
    }
    return out - x0;
}

// The general copy, from two planned axes.
void run(Surface& ds, const Surface& ss, const Axis& cols, const Axis& rows, Merge merge, Op op, uint32_t key) {
    const std::vector<Tap>& ct = *cols.taps;
    const std::vector<Tap>& rt = *rows.taps;
    // The part of the source read: for the overlap test, and the columns a
    // merged row needs.
    int64_t sx0 = INT64_MAX, sx1 = INT64_MIN, sy0 = INT64_MAX, sy1 = INT64_MIN;
    for (const Tap& t : ct)
        if (t.count) sx0 = std::min<int64_t>(sx0, t.first), sx1 = std::max<int64_t>(sx1, t.first + t.count);
    for (const Tap& t : rt)
        if (t.count) sy0 = std::min<int64_t>(sy0, t.first), sy1 = std::max<int64_t>(sy1, t.first + t.count);
    const bool any = sx0 < sx1 && sy0 < sy1;
    const Source src = any ? source_for(ss, ds, sx0, sy0, sx1, sy1, cols.lo, rows.lo, cols.hi, rows.hi)
                           : Source{ss.bits, ss.stride, 0, 0};
    // Keeping one pixel of several, or taking one anyway: a gather.
    const bool single = merge == Merge::pick || (!cols.merges && !rows.merges);
    const bool keyed = op == Op::keyed;
    // Counted before the rows are written: merging rows may run short of
    // memory midway.
    ds.drew(cols.lo, rows.lo, cols.hi, rows.hi);
    for (int64_t y = rows.lo; y < rows.hi; ++y) {
        const Tap r = rt[size_t(y - rows.lo)];
        uint32_t* dp = ds.bits + y * ds.stride;
        if (!any || !r.count) {
            // Nothing is read for this row: TransparentBlt draws black.
            if (keyed && key != 0)
                for (int64_t x = cols.lo; x < cols.hi; ++x) dp[x] = 0;
            continue;
        }
        const uint32_t* line = single ? src.row(r.pick) : r.count == 1 ? src.row(r.first)
                                                                       : merge_rows(src, r, sx0, sx1, merge);
        if (single || !cols.merges) {
            for (int64_t x = cols.lo; x < cols.hi; ++x) {
                const Tap c = ct[size_t(x - cols.lo)];
                const uint32_t p = c.count ? line[c.pick] : 0;
                if (keyed ? p != key : c.count != 0) dp[x] = p;
            }
            continue;
        }
        for (int64_t x = cols.lo; x < cols.hi; ++x) {
            const Tap c = ct[size_t(x - cols.lo)];
            uint32_t p = 0;
            if (c.count) {
                const uint32_t* sp = line + c.first;
                p = sp[0];
                if (merge == Merge::and_all)
                    for (int i = 1; i < c.count; ++i) p &= sp[i];
                else
                    for (int i = 1; i < c.count; ++i) p |= sp[i];
            }
            if (keyed ? p != key : c.count != 0) dp[x] = p;
        }
    }
    ds.touch();
}

// The copies a game makes every frame: unmirrored, 1:1 or 1:2 on both axes,
// the source rectangle wholly inside its surface. True when handled.
bool fast_copy(Surface& ds, const Box& v, int64_t xd, int64_t yd, int64_t wd, int64_t hd, const Surface& ss, int64_t xs,
               int64_t ys, int64_t ws, int64_t hs, Op op, uint32_t key) {
    const bool same = wd == ws && hd == hs, doubled = wd == 2 * ws && hd == 2 * hs;
    if (ws <= 0 || hs <= 0 || !(same || doubled) || xs < 0 || ys < 0 || xs + ws > ss.width || ys + hs > ss.height)
        return false;
    const int64_t x0 = std::max(xd, v.left), x1 = std::min(xd + wd, v.right);
    const int64_t y0 = std::max(yd, v.top), y1 = std::min(yd + hd, v.bottom);
    if (x0 >= x1 || y0 >= y1) return true;
    // Within one surface, a copy whose rectangles overlap reads a snapshot.
    const Source src = source_for(ss, ds, xs, ys, xs + ws, ys + hs, x0, y0, x1, y1);
    const uint32_t* const origin = src.row(ys) + xs;  // source pixel (xs, ys)
    const int64_t stride = src.stride;
    if (same) {
        // Whole rows of surfaces as wide as the copy are one block on both
        // sides (a flip): one memcpy instead of one a row, which the browser
        // build's memcpy, a call out to JavaScript for large blocks, needs.
        if (op == Op::copy && x1 - x0 == ds.stride && x1 - x0 == stride) {
            std::memcpy(ds.bits + y0 * ds.stride, origin + (y0 - yd) * stride + (x0 - xd),
                        size_t(y1 - y0) * size_t(stride) * 4);
            ds.drew(x0, y0, x1, y1);
            return true;
        }
        for (int64_t y = y0; y < y1; ++y) {
            const uint32_t* sp = origin + (y - yd) * stride + (x0 - xd);
            uint32_t* dp = ds.bits + y * ds.stride + x0;
            if (op == Op::copy) {
                std::memcpy(dp, sp, size_t(x1 - x0) * 4);
            } else {
                for (int64_t i = 0; i < x1 - x0; ++i) dp[i] = sp[i] == key ? dp[i] : sp[i];
            }
        }
        ds.drew(x0, y0, x1, y1);
        return true;
    }
    // Each source pixel becomes a 2 x 2 block: both destination rows of a
    // source row are written in one pass, two pixels per source pixel.
    for (int64_t y = y0; y < y1; ++y) {
        const uint32_t* sp = origin + ((y - yd) >> 1) * stride;
        uint32_t* dp = ds.bits + y * ds.stride;
        uint32_t* next = y + 1 < y1 && ((y - yd) & 1) == 0 ? dp + ds.stride : dp;
        int64_t x = x0;
        const uint32_t* p = sp + ((x - xd) >> 1);
        if ((x - xd) & 1) {  // the right half of a block, cut at the left edge
            if (op == Op::copy || *p != key) dp[x] = next[x] = *p;
            ++x, ++p;
        }
        if (op == Op::copy) {
            for (; x + 1 < x1; x += 2, ++p) dp[x] = dp[x + 1] = next[x] = next[x + 1] = *p;
        } else {
            for (; x + 1 < x1; x += 2, ++p)
                if (*p != key) dp[x] = dp[x + 1] = next[x] = next[x + 1] = *p;
        }
        if (x < x1 && (op == Op::copy || *p != key)) dp[x] = next[x] = *p;
        if (next != dp) ++y;
    }
    ds.drew(x0, y0, x1, y1);
    return true;
}

// The copy itself, for StretchBlt and TransparentBlt (and BitBlt, with equal
// extents). False: the call fails.
bool copy(DC& dst, int xd, int yd, int wd, int hd, DC& src, int xs, int ys, int ws, int hs, Op op, uint32_t key,
          bool both_negative_exclusive) {
    if (!dst.surface || !src.surface || wd == 0 || hd == 0) return true;
    Surface& ds = *dst.surface;
    const Surface& ss = *src.surface;
    const Box v = visible_box(dst);
    if (ws == 0 || hs == 0) {
        // Nothing to read: TransparentBlt draws black over the destination.
        if (op == Op::keyed && key != 0) {
            int64_t l, r, t, b;
            cover(xd, wd, &l, &r);
            cover(yd, hd, &t, &b);
            fill_rect(dst, l, t, r, b, 0);
        }
        return true;
    }
    if (op == Op::copy && wd == ws && hd == hs && ws > 0 && hs > 0) {
        // A copy at its own size (a flip of a surface smaller than the
        // rectangle asked for) lands each pixel read on its own destination
        // pixel, and source pixels outside the surface are not read: cutting
        // the source rectangle to the surface cuts the destination alike,
        // and what is left is a plain copy.
        int64_t x_d = xd, y_d = yd, x_s = xs, y_s = ys, w = ws, h = hs;
        if (x_s < 0) x_d -= x_s, w += x_s, x_s = 0;
        if (y_s < 0) y_d -= y_s, h += y_s, y_s = 0;
        w = std::min<int64_t>(w, ss.width - x_s);
        h = std::min<int64_t>(h, ss.height - y_s);
        if (w <= 0 || h <= 0) return true;
        if (fast_copy(ds, v, x_d, y_d, w, h, ss, x_s, y_s, w, h, op, key)) return true;
    }
    if (fast_copy(ds, v, xd, yd, wd, hd, ss, xs, ys, ws, hs, op, key)) return true;
    static auto& col_taps = *new std::vector<Tap>;
    static auto& row_taps = *new std::vector<Tap>;
    Axis cols, rows;
    if (!plan_axis(xd, wd, xs, ws, v.left, v.right, ss.width, true, both_negative_exclusive, col_taps, cols) ||
        !plan_axis(yd, hd, ys, hs, v.top, v.bottom, ss.height, false, both_negative_exclusive, row_taps, rows))
        return false;
    if (cols.lo >= cols.hi || rows.lo >= rows.hi) return true;
    // TransparentBlt ANDs what it shrinks whatever the destination's mode.
    run(ds, ss, cols, rows, op == Op::keyed ? Merge::and_all : merge_for(dst.stretch_mode), op, key);
    return true;
}

// StretchBlt and BitBlt: the fills among their raster operations are
// PatBlt's; of the rest, SRCCOPY is provided.
BOOL copy_or_fill(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys, int ws, int hs, DWORD rop,
                  bool both_negative_exclusive) {
    DC* dst = dc_from(hdcDest);
    if (!dst) return FALSE;
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) return PatBlt(hdcDest, xd, yd, wd, hd, rop);
    DC* src = dc_from(hdcSrc);
    if (!src || rop != SRCCOPY) return FALSE;
    // Copies that plan their columns or read a snapshot allocate: short of
    // memory, the call fails.
    return or_fail<BOOL>(FALSE, [&] {
        return copy(*dst, xd, yd, wd, hd, *src, xs, ys, ws, hs, Op::copy, 0, both_negative_exclusive) ? TRUE : FALSE;
    });
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" BOOL WINAPI StretchBlt(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys, int ws,
                                  int hs, DWORD rop) {
    return copy_or_fill(hdcDest, xd, yd, wd, hd, hdcSrc, xs, ys, ws, hs, rop, true);
}

// The source rectangle has the destination's extents, signs included: never
// a mirror, never a stretch. Negative extents keep the origin pixel (no
// evidence that Windows differs here, as it does for StretchBlt).
extern "C" BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    return copy_or_fill(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop, false);
}

extern "C" BOOL WINAPI TransparentBlt(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys,
                                      int ws, int hs, UINT key) {
    DC* dst = dc_from(hdcDest);
    DC* src = dc_from(hdcSrc);
    // No mirroring here: negative extents fail.
    if (!dst || !src || wd < 0 || hd < 0 || ws < 0 || hs < 0) return FALSE;
    return or_fail<BOOL>(FALSE, [&] {
        return copy(*dst, xd, yd, wd, hd, *src, xs, ys, ws, hs, Op::keyed, key_pixel(key), false) ? TRUE : FALSE;
    });
}
