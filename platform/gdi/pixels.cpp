// The loops that touch pixels: rectangle fills (PatBlt and the layer's own
// erase), single pixels, and plain block copies. Each entry clips once, in
// 64-bit arithmetic so no int argument can overflow, then runs a tight loop.
#include "gdi/objects.h"

#include <algorithm>
#include <cstring>

namespace plat {

namespace {

// A monochrome bitmap keeps only black and white: colours nearer white than
// black become white, the rest black.
uint32_t for_surface(const Surface& s, uint32_t pixel) {
    if (s.bits_per_pixel != 1) return pixel;
    unsigned sum = ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
    return sum >= 3 * 128 ? 0xFFFFFF : 0;
}

bool point_visible(const DC& dc, int x, int y) {
    if (!dc.surface) return false;
    Box v = visible_box(dc);
    return x >= v.left && x < v.right && y >= v.top && y < v.bottom;
}

}  // namespace

void fill_rect(DC& dc, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t pixel) {
    if (!dc.surface) return;
    Box v = visible_box(dc);
    left = std::max(left, v.left);
    top = std::max(top, v.top);
    right = std::min(right, v.right);
    bottom = std::min(bottom, v.bottom);
    if (left >= right || top >= bottom) return;
    Surface& s = *dc.surface;
    pixel = for_surface(s, pixel);
    const size_t w = size_t(right - left);
    uint32_t* first = s.bits + top * s.stride + left;
    if (w <= 16) {  // a few pixels (a doubled pixel is 2 x 2): plain stores
        for (int64_t y = top; y < bottom; ++y, first += s.stride)
            for (size_t x = 0; x < w; ++x) first[x] = pixel;
        s.touch();
        return;
    }
    std::fill_n(first, w, pixel);
    // Later rows copy the first: memcpy runs at memory speed, where a loop
    // of 32-bit stores does not.
    uint32_t* row = first + s.stride;
    for (int64_t y = top + 1; y < bottom; ++y, row += s.stride) std::memcpy(row, first, w * 4);
    s.touch();
}


}  // namespace plat

using namespace plat;

extern "C" int WINAPI GetClipBox(HDC hdc, LPRECT r) {
    DC* dc = dc_from(hdc);
    if (!dc || !r) return ERROR;
    Box v = visible_box(*dc);
    *r = RECT{LONG(v.left), LONG(v.top), LONG(std::max(v.left, v.right)), LONG(std::max(v.top, v.bottom))};
    return r->left < r->right && r->top < r->bottom ? SIMPLEREGION : NULLREGION;
}

extern "C" BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    DC* dc = dc_from(hdc);
    if (!dc) return FALSE;
    uint32_t pixel;
    switch (rop) {
        case PATCOPY: {
            bool null_brush = false;
            COLORREF c = brush_color(dc->brush, &null_brush);
            if (null_brush) return TRUE;
            pixel = to_pixel(c);
            break;
        }
        case BLACKNESS: pixel = 0x000000; break;
        case WHITENESS: pixel = 0xFFFFFF; break;
        default: return FALSE;
    }
    // A doubled pixel, the commonest fill: 2 x 2 wholly inside an unclipped
    // 32-bit surface goes straight to the pixels.
    Surface* s = dc->surface;
    if (w == 2 && h == 2 && s && !dc->has_clip && s->bits_per_pixel == 32 && x >= 0 && y >= 0 &&
        x < s->width - 1 && y < s->height - 1) {
        uint32_t* p = s->bits + int64_t(y) * s->stride + x;
        p[0] = p[1] = p[s->stride] = p[s->stride + 1] = pixel;
        s->touch();
        return TRUE;
    }
    // A negative width or height extends the rectangle left of x or above y.
    int64_t x0 = x, x1 = int64_t(x) + w, y0 = y, y1 = int64_t(y) + h;
    if (x1 < x0) std::swap(x0, x1);
    if (y1 < y0) std::swap(y0, y1);
    fill_rect(*dc, x0, y0, x1, y1, pixel);
    return TRUE;
}

extern "C" COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DC* dc = dc_from(hdc);
    if (!dc || !point_visible(*dc, x, y)) return CLR_INVALID;
    Surface& s = *dc->surface;
    uint32_t p = to_pixel(color & 0xFFFFFF);
    if (s.bits_per_pixel == 1) {
        unsigned sum = ((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF);
        p = sum >= 3 * 128 ? 0xFFFFFF : 0;
    }
    s.bits[int64_t(y) * s.stride + x] = p;
    s.touch();
    return to_colorref(p);
}

extern "C" COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    DC* dc = dc_from(hdc);
    if (!dc || !point_visible(*dc, x, y)) return CLR_INVALID;
    const Surface& s = *dc->surface;
    return to_colorref(s.bits[int64_t(y) * s.stride + x]);
}

extern "C" BOOL WINAPI BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    DC* dst = dc_from(hdc);
    if (!dst) return FALSE;
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY) return PatBlt(hdc, x, y, cx, cy, rop);
    DC* src = dc_from(hdcSrc);
    if (!src || rop != SRCCOPY) return FALSE;
    if (!dst->surface || !src->surface || cx <= 0 || cy <= 0) return TRUE;
    // Clip the destination, then the source, moving both by the same amount.
    int64_t dx0 = x, dy0 = y, sx0 = x1, sy0 = y1, w = cx, h = cy;
    auto clip_axis = [](int64_t& d, int64_t& s, int64_t& n, int64_t dlo, int64_t dhi, int64_t slo, int64_t shi) {
        int64_t cut = std::max({dlo - d, slo - s, int64_t(0)});
        d += cut, s += cut, n -= cut;
        n = std::min({n, dhi - d, shi - s});
    };
    Box v = visible_box(*dst);
    clip_axis(dx0, sx0, w, v.left, v.right, 0, src->surface->width);
    clip_axis(dy0, sy0, h, v.top, v.bottom, 0, src->surface->height);
    if (w <= 0 || h <= 0) return TRUE;
    Surface& d = *dst->surface;
    const Surface& s = *src->surface;
    for (int64_t r = 0; r < h; ++r)
        std::memmove(d.bits + (dy0 + r) * d.stride + dx0, s.bits + (sy0 + r) * s.stride + sx0, size_t(w) * 4);
    d.touch();
    return TRUE;
}
