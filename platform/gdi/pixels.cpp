// The loops that touch single pixels and fills: rectangle fills (PatBlt and
// the layer's own erase), SetPixel and GetPixel. Each entry clips once, in
// 64-bit arithmetic so no int argument can overflow, then runs a tight loop.
// Block copies are in blit.cpp.
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

namespace {

// Fills [left, right) x [top, bottom), inside the surface and not empty.
void fill_pixels(Surface& s, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t pixel) {
    const size_t w = size_t(right - left);
    uint32_t* first = s.bits + top * s.stride + left;
    if (w <= 16) {  // a few pixels (a doubled pixel is 2 x 2): plain stores
        for (int64_t y = top; y < bottom; ++y, first += s.stride)
            for (size_t x = 0; x < w; ++x) first[x] = pixel;
        return;
    }
    std::fill_n(first, w, pixel);
    // Later rows copy the first: memcpy runs at memory speed, where a loop
    // of 32-bit stores does not.
    uint32_t* row = first + s.stride;
    for (int64_t y = top + 1; y < bottom; ++y, row += s.stride) std::memcpy(row, first, w * 4);
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
    if (s.ground_known && pixel == s.ground) {
        // Outside the damage every pixel already holds this value: only the
        // damage's share of the rectangle is filled, and a rectangle that
        // covers all of the damage leaves none.
        const Surface::Damage& d = s.damage;
        const int64_t l = std::max<int64_t>(left, d.left), t = std::max<int64_t>(top, d.top);
        const int64_t r = std::min<int64_t>(right, d.right), b = std::min<int64_t>(bottom, d.bottom);
        if (l < r && t < b) fill_pixels(s, l, t, r, b, pixel);
        if (left <= d.left && top <= d.top && right >= d.right && bottom >= d.bottom) s.grounded(pixel);
        else s.touch();
        return;
    }
    fill_pixels(s, left, top, right, bottom, pixel);
    if (left == 0 && top == 0 && right == s.width && bottom == s.height) s.grounded(pixel);
    else s.drew(left, top, right, bottom);
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

namespace {

[[gnu::noinline]] BOOL pat_blt(DC* dc, int x, int y, int w, int h, DWORD rop) {
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
    // A negative width or height runs left of x or up from y, x or y
    // included: PatBlt(hdc, 10, 10, -5, -5, ...) fills 6 to 10.
    const int64_t x0 = w >= 0 ? x : int64_t(x) + w + 1, x1 = w >= 0 ? int64_t(x) + w : int64_t(x) + 1;
    const int64_t y0 = h >= 0 ? y : int64_t(y) + h + 1, y1 = h >= 0 ? int64_t(y) + h : int64_t(y) + 1;
    fill_rect(*dc, x0, y0, x1, y1, pixel);
    return TRUE;
}

}  // namespace

QX_FAST_ENTRIES_BEGIN
extern "C" QX_FAST_ENTRY BOOL WINAPI PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    DC* dc = dc_from(hdc);
    // A doubled pixel in a solid brush, the commonest fill: 2 x 2 wholly
    // inside an unclipped 32-bit surface goes straight to the pixels, in
    // the look of the brush the DC holds (always one, and live while held).
    Surface* s = dc ? dc->surface : nullptr;
    if (s && rop == PATCOPY && w == 2 && h == 2 && !dc->has_clip && s->bits_per_pixel == 32 &&
        unsigned(x) < unsigned(s->width - 1) && unsigned(y) < unsigned(s->height - 1)) [[likely]] {
        const Brush::Look look = handles().held_slot(dc->brush).brush.look;
        if (look.paints()) [[likely]] {
            // Everything is read before the first pixel is written: a pixel
            // store may alias anything the compiler sees.
            const int64_t stride = s->stride;
            uint32_t* p = s->bits + int64_t(y) * stride + x;
            const uint64_t two = look.two();
            s->drew(x, y, int64_t(x) + 2, int64_t(y) + 2);
            std::memcpy(p, &two, 8);
            std::memcpy(p + stride, &two, 8);
            return TRUE;
        }
    }
    return dc ? pat_blt(dc, x, y, w, h, rop) : FALSE;
}
QX_FAST_ENTRIES_END

extern "C" COLORREF WINAPI SetPixel(HDC hdc, int x, int y, COLORREF color) {
    DC* dc = dc_from(hdc);
    if (!dc || !point_visible(*dc, x, y)) return CLR_INVALID;
    Surface& s = *dc->surface;
    const uint32_t p = for_surface(s, to_pixel(color & 0xFFFFFF));
    s.bits[int64_t(y) * s.stride + x] = p;
    s.drew(x, y, int64_t(x) + 1, int64_t(y) + 1);
    return to_colorref(p);
}

extern "C" COLORREF WINAPI GetPixel(HDC hdc, int x, int y) {
    DC* dc = dc_from(hdc);
    if (!dc || !point_visible(*dc, x, y)) return CLR_INVALID;
    const Surface& s = *dc->surface;
    return to_colorref(s.bits[int64_t(y) * s.stride + x]);
}
