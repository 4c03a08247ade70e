// StretchBlt and TransparentBlt. A copy is planned once per call: for every
// visible destination column and row, the source column or row it takes
// (or, shrinking in the default BLACKONWHITE mode, the span of them it
// combines). The row loops then run with no checks. Equal sizes and exact
// doubling, the copies a game makes every frame, have loops of their own.
#include "gdi/objects.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace plat {
namespace {

struct Span { int first, count; };  // source columns or rows, relative to the source surface

// Maps destination positions onto source positions [s0, s0 + sn), for the
// destinations [from, to) of [0, dn) only. Enlarging, destination d takes
// source floor(d * sn / dn); shrinking, source s lands on destination
// floor((s + 1/2) * dn / sn), and each destination takes the span of sources
// that land on it. `mirror` reverses the source order.
void plan_axis(int64_t from, int64_t to, int64_t dn, int64_t s0, int64_t sn, bool mirror, std::vector<Span>& out) {
    using i128 = __int128;
    out.resize(size_t(to - from));
    for (int64_t d = from; d < to; ++d) {
        int64_t first, count;
        if (dn >= sn) {
            first = int64_t(i128(d) * sn / dn);
            count = 1;
        } else {
            // The sources s with 2d*sn <= (2s+1)*dn < 2(d+1)*sn.
            auto lowest = [&](int64_t k) {  // smallest s with (2s+1)*dn >= 2k*sn
                i128 num = i128(2) * k * sn - dn;
                i128 den = i128(2) * dn;
                i128 q = num <= 0 ? 0 : (num + den - 1) / den;
                return int64_t(q);
            };
            first = lowest(d);
            count = std::min(lowest(d + 1), sn) - first;
        }
        int64_t at = mirror ? s0 + sn - first - count : s0 + first;
        bool fits = count > 0 && at >= INT32_MIN && at + count <= INT32_MAX;
        out[size_t(d - from)] = fits ? Span{int(at), int(count)} : Span{0, 0};
    }
}

struct Rect { int64_t x, y, w, h; };

// Normalises a rectangle with a negative size to one with a positive size,
// reporting whether it was flipped.
Rect normal(int x, int y, int w, int h, bool* flip_x, bool* flip_y) {
    Rect r{x, y, w, h};
    *flip_x = r.w < 0;
    *flip_y = r.h < 0;
    if (*flip_x) r.x += r.w, r.w = -r.w;
    if (*flip_y) r.y += r.h, r.h = -r.h;
    return r;
}

enum class Mode { copy, and_merge, keyed };

// The copy itself. `key` is a pixel value; source pixels equal to it are not
// copied in keyed mode.
bool stretch(DC& dst, int xd, int yd, int wd, int hd, DC& src, int xs, int ys, int ws, int hs, Mode mode,
             uint32_t key) {
    if (!dst.surface || !src.surface) return true;
    bool dfx, dfy, sfx, sfy;
    Rect d = normal(xd, yd, wd, hd, &dfx, &dfy);
    Rect s = normal(xs, ys, ws, hs, &sfx, &sfy);
    if (d.w == 0 || d.h == 0 || s.w == 0 || s.h == 0) return true;
    Box v = visible_box(dst);
    const int64_t x0 = std::max(d.x, v.left), x1 = std::min(d.x + d.w, v.right);
    const int64_t y0 = std::max(d.y, v.top), y1 = std::min(d.y + d.h, v.bottom);
    if (x0 >= x1 || y0 >= y1) return true;

    Surface& ds = *dst.surface;
    const Surface& ss = *src.surface;
    // Fast paths: unmirrored copies at 1:1 and 1:2, wholly inside the source.
    const bool plain = !dfx && !dfy && !sfx && !sfy && s.x >= 0 && s.y >= 0 && s.x + s.w <= ss.width &&
                       s.y + s.h <= ss.height && mode != Mode::and_merge;
    if (plain && d.w == s.w && d.h == s.h) {
        for (int64_t y = y0; y < y1; ++y) {
            const uint32_t* sp = ss.bits + (s.y + y - d.y) * ss.stride + (s.x + x0 - d.x);
            uint32_t* dp = ds.bits + y * ds.stride + x0;
            if (mode == Mode::copy) {
                std::memmove(dp, sp, size_t(x1 - x0) * 4);
            } else {
                for (int64_t i = 0; i < x1 - x0; ++i) dp[i] = sp[i] == key ? dp[i] : sp[i];
            }
        }
        ds.touch();
        return true;
    }
    if (plain && d.w == 2 * s.w && d.h == 2 * s.h) {
        // Each source pixel becomes a 2 x 2 block: both destination rows of
        // a source row are written in one pass.
        for (int64_t y = y0; y < y1; ++y) {
            const uint32_t* sp = ss.bits + (s.y + (y - d.y) / 2) * ss.stride + s.x;
            uint32_t* dp = ds.bits + y * ds.stride;
            uint32_t* next = (y + 1 < y1 && ((y - d.y) & 1) == 0) ? dp + ds.stride : nullptr;
            if (mode == Mode::copy) {
                for (int64_t x = x0; x < x1; ++x) dp[x] = sp[(x - d.x) >> 1];
                if (next) std::memcpy(next + x0, dp + x0, size_t(x1 - x0) * 4);
            } else {
                for (int64_t x = x0; x < x1; ++x) {
                    uint32_t p = sp[(x - d.x) >> 1];
                    if (p == key) continue;
                    dp[x] = p;
                    if (next) next[x] = p;
                }
            }
            if (next) ++y;
        }
        ds.touch();
        return true;
    }

    // Mirrored when exactly one of the two rectangles was.
    static thread_local std::vector<Span> cols, rows;
    plan_axis(x0 - d.x, x1 - d.x, d.w, s.x, s.w, dfx != sfx, cols);
    plan_axis(y0 - d.y, y1 - d.y, d.h, s.y, s.h, dfy != sfy, rows);
    for (int64_t y = y0; y < y1; ++y) {
        Span r = rows[size_t(y - y0)];
        // Outside the and-merge, one source row of the span stands for it: the middle one.
        if (mode != Mode::and_merge && r.count > 1) r = Span{r.first + r.count / 2, 1};
        if (r.count == 0 || r.first < 0 || int64_t(r.first) + r.count > ss.height) continue;
        uint32_t* dp = ds.bits + y * ds.stride;
        for (int64_t x = x0; x < x1; ++x) {
            Span c = cols[size_t(x - x0)];
            if (mode != Mode::and_merge && c.count > 1) c = Span{c.first + c.count / 2, 1};
            if (c.count == 0 || c.first < 0 || int64_t(c.first) + c.count > ss.width) continue;
            uint32_t p = 0xFFFFFFFF;
            for (int j = 0; j < r.count; ++j) {
                const uint32_t* sp = ss.bits + int64_t(r.first + j) * ss.stride + c.first;
                for (int i = 0; i < c.count; ++i) p &= sp[i];
            }
            if (mode != Mode::keyed || p != key) dp[x] = p & 0xFFFFFF;
        }
    }
    ds.touch();
    return true;
}

}  // namespace
}  // namespace plat

using namespace plat;

extern "C" BOOL WINAPI StretchBlt(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys, int ws,
                                  int hs, DWORD rop) {
    DC* dst = dc_from(hdcDest);
    if (!dst) return FALSE;
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) return PatBlt(hdcDest, xd, yd, wd, hd, rop);
    DC* src = dc_from(hdcSrc);
    if (!src || rop != SRCCOPY) return FALSE;
    // Shrinking in BLACKONWHITE mode, the default, ANDs the pixels that
    // collapse into one; other modes keep one of them.
    const bool shrinks = std::abs(int64_t(wd)) < std::abs(int64_t(ws)) || std::abs(int64_t(hd)) < std::abs(int64_t(hs));
    Mode mode = dst->stretch_mode == BLACKONWHITE && shrinks ? Mode::and_merge : Mode::copy;
    return stretch(*dst, xd, yd, wd, hd, *src, xs, ys, ws, hs, mode, 0) ? TRUE : FALSE;
}

extern "C" BOOL WINAPI TransparentBlt(HDC hdcDest, int xd, int yd, int wd, int hd, HDC hdcSrc, int xs, int ys,
                                      int ws, int hs, UINT key) {
    DC* dst = dc_from(hdcDest);
    DC* src = dc_from(hdcSrc);
    // No mirroring here: negative sizes fail, as documented.
    if (!dst || !src || wd < 0 || hd < 0 || ws < 0 || hs < 0) return FALSE;
    return stretch(*dst, xd, yd, wd, hd, *src, xs, ys, ws, hs, Mode::keyed, to_pixel(key & 0xFFFFFF)) ? TRUE : FALSE;
}

extern "C" int WINAPI SetStretchBltMode(HDC hdc, int mode) {
    DC* dc = dc_from(hdc);
    if (!dc || mode < BLACKONWHITE || mode > HALFTONE) return 0;
    int old = dc->stretch_mode;
    dc->stretch_mode = mode;
    return old;
}

extern "C" int WINAPI GetStretchBltMode(HDC hdc) {
    DC* dc = dc_from(hdc);
    return dc ? dc->stretch_mode : 0;
}
