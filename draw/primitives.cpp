// Pixels, runs, lines, boxes and circles in palette colours and logical
// coordinates. Everything but the filled box, the clear and the pixel read is
// built from qx_pset, one logical pixel at a time, so the doubling rule
// applies through qx_pset.
//
// No int argument can overflow here: positions past the int range are held
// at its edge (where nothing is drawn), and runs and lines visit only the
// logical pixels that can land on the surface, so a huge one neither draws
// wrongly nor takes forever.
#include "runtime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

using i64 = long long;

// Makes a solid brush of the palette colour, fills the device rectangle with
// it and releases it again: nothing survives the call. Inlined, so that the
// layer's calls (inlined in turn when it is linked with the runtime) see the
// doubled pixel's constant 2 x 2 and drop their checks of the size.
[[gnu::always_inline]] inline void solid_fill_rgb(HDC hdc, int x, int y, int w, int h, COLORREF rgb) {
    HBRUSH brush = CreateSolidBrush(rgb);
    HGDIOBJ old = SelectObject(hdc, brush);
    PatBlt(hdc, x, y, w, h, PATCOPY);
    SelectObject(hdc, old);
    DeleteObject(brush);
}
[[gnu::always_inline]] inline void solid_fill(HDC hdc, int x, int y, int w, int h, short color) {
    solid_fill_rgb(hdc, x, y, w, h, qx_palette(color));
}

// qx_pset, inlined into the loops of the runs, lines and circles that are
// made of it.
[[gnu::always_inline]] inline void pset(HDC hdc, int x, int y, short color) {
    if (bai == 1) solid_fill(hdc, qx_twice(x), qx_twice(y), 2, 2, color);
    else SetPixel(hdc, x, y, qx_palette(color));
}

// What qx_pset reads besides its point, read once for a line or a circle
// of points: no call the points make changes the mode or the palette.
struct Pen {
    HDC hdc;
    COLORREF rgb;
    bool doubled;
};
Pen pen(HDC hdc, short color) { return Pen{hdc, qx_palette(color), bai == 1}; }

// qx_pset with that pen for a point on the surface, whose device
// coordinates are far inside the int range: doubled without holding them
// at its edges.
[[gnu::always_inline]] inline void pset_on(const Pen& p, int x, int y) {
    if (p.doubled) solid_fill_rgb(p.hdc, 2 * x, 2 * y, 2, 2, p.rgb);
    else SetPixel(p.hdc, x, y, p.rgb);
}

// The logical pixels whose device pixels can reach what the surface shows,
// as a half-open box; false when nothing can be drawn.
struct Box { i64 left, top, right, bottom; };
bool visible_logical(HDC hdc, Box* b) {
    RECT r;
    if (GetClipBox(hdc, &r) <= NULLREGION) return false;
    if (bai == 1) {
        // Logical x covers device 2x and 2x + 1.
        *b = {(i64(r.left) - 1) >> 1, (i64(r.top) - 1) >> 1, (i64(r.right) + 1) >> 1, (i64(r.bottom) + 1) >> 1};
    } else {
        *b = {r.left, r.top, r.right, r.bottom};
    }
    return true;
}

// The steps i in [0, n) of a run from `start` in direction `step` (+1 or -1)
// that fall inside [lo, hi).
bool steps_inside(i64 start, int step, i64 n, i64 lo, i64 hi, i64* first, i64* last) {
    i64 a = step > 0 ? lo - start : start - (hi - 1);
    i64 b = step > 0 ? hi - 1 - start : start - lo;
    *first = std::max<i64>(a, 0);
    *last = std::min<i64>(b, n - 1);
    return *first <= *last;
}

// A run of qx_pset along one axis: `length` pixels from (x, y).
void run(HDC hdc, int x, int y, int length, bool vertical, short color, const Box* visible = nullptr) {
    if (length <= 0) return;
    Box b;
    if (visible) b = *visible;
    else if (!visible_logical(hdc, &b)) return;
    i64 first, last;
    i64 along = vertical ? y : x, across = vertical ? x : y;
    if (across < (vertical ? b.left : b.top) || across >= (vertical ? b.right : b.bottom)) return;
    if (!steps_inside(along, 1, length, vertical ? b.top : b.left, vertical ? b.bottom : b.right, &first, &last))
        return;
    for (i64 i = first; i <= last; ++i)
        pset(hdc, vertical ? x : int(x + i), vertical ? int(y + i) : y, color);
}

}  // namespace

void qx_pset(HDC hdc, int x, int y, short color) { pset(hdc, x, y, color); }

COLORREF qx_pget(HDC hdc, int x, int y) { return GetPixel(hdc, qx_device(x), qx_device(y)); }

void qx_gcls(HDC hdc, short color) { solid_fill(hdc, 0, 0, 1280, 1024, color); }

void qx_xline(HDC hdc, int x, int y, int width, short color) { run(hdc, x, y, width, false, color); }

void qx_yline(HDC hdc, int x, int y, int height, short color) { run(hdc, x, y, height, true, color); }

namespace {

bool inside(const Box& b, int x, int y) { return x >= b.left && x < b.right && y >= b.top && y < b.bottom; }

// The points of line() when both its ends lie in the visible box, and so
// all of it (the box is convex): the same points in the same order, walked
// from the first end with no clipping and in int arithmetic. A run along an
// axis goes up or right from its lower end, as run() does; any other line
// steps from (x1, y1), its minor coordinate moving once the error, which
// starts at 0, reaches the major delta.
[[gnu::always_inline]] inline void walk_inside(const Pen& p, int x1, int y1, int x2, int y2, int skip) {
    if (x1 == x2) {
        const int from = y1 <= y2 ? y1 + skip : y2, to = y1 <= y2 ? y2 : y1 - skip;
        for (int y = from; y <= to; ++y) pset_on(p, x1, y);
        return;
    }
    if (y1 == y2) {
        const int from = x1 <= x2 ? x1 + skip : x2, to = x1 <= x2 ? x2 : x1 - skip;
        for (int x = from; x <= to; ++x) pset_on(p, x, y1);
        return;
    }
    const int xstep = x2 < x1 ? -1 : 1, ystep = y2 < y1 ? -1 : 1;
    const int dx = x2 < x1 ? x1 - x2 : x2 - x1, dy = y2 < y1 ? y1 - y2 : y2 - y1;
    const bool x_major = dx > dy;
    const int major = x_major ? dx : dy, minor = x_major ? dy : dx;
    int x = x1, y = y1, err = 0;
    for (int i = 0; i <= major; ++i) {
        if (i >= skip) pset_on(p, x, y);
        err += minor;
        if (err >= major) {
            err -= major;
            if (x_major) y += ystep;
            else x += xstep;
        }
        if (x_major) x += xstep;
        else y += ystep;
    }
}

// The line of qx_line. With skip_first, all its pixels but (x1, y1): a
// circle's segments share their ends, and drawing a shared end twice leaves
// the same pixels as drawing it once.
// `visible` is the surface's visible box when the caller already has it.
void line(HDC hdc, int x1, int y1, int x2, int y2, short color, bool skip_first, const Box* visible = nullptr) {
    i64 dx = i64(x2) - x1, dy = i64(y2) - y1;
    const int skip = skip_first ? 1 : 0;
    // The surface is looked at first whichever way the line is drawn (a run
    // that draws nothing never asks, and no line here is such a run).
    Box b;
    if (!visible) {
        if (!visible_logical(hdc, &b)) return;
        visible = &b;
    }
    if (inside(*visible, x1, y1) && inside(*visible, x2, y2)) return walk_inside(pen(hdc, color), x1, y1, x2, y2, skip);
    if (x1 == x2) {
        int from = y1 <= y2 ? qx_clamp_int(i64(y1) + skip) : y2;
        return run(hdc, x1, from, qx_clamp_int(std::llabs(dy) + 1 - skip), true, color, visible);
    }
    if (y1 == y2) {
        int from = x1 <= x2 ? qx_clamp_int(i64(x1) + skip) : x2;
        return run(hdc, from, y1, qx_clamp_int(std::llabs(dx) + 1 - skip), false, color, visible);
    }
    int xstep = dx < 0 ? -1 : 1, ystep = dy < 0 ? -1 : 1;
    dx = std::llabs(dx);
    dy = std::llabs(dy);
    // The error starts at 0, not at half a step, and the minor coordinate
    // moves once the error reaches the major delta. At step i the minor
    // offset is therefore floor(i * minor / major) and the error the
    // remainder, so the walk can start at the first step that can be seen.
    const bool x_major = dx > dy;
    const i64 major = x_major ? dx : dy, minor = x_major ? dy : dx;
    b = *visible;
    i64 first, last;
    if (x_major ? !steps_inside(x1, xstep, major + 1, b.left, b.right, &first, &last)
                : !steps_inside(y1, ystep, major + 1, b.top, b.bottom, &first, &last))
        return;
    first = std::max<i64>(first, skip);
    if (first > last) return;
    i64 moved = 0, err = 0;
    if (first > 0) {
        // first * minor fits 64 bits unless the line is far longer than any
        // surface; only then is the 128-bit division (a library call) needed.
        if (minor == 0 || first <= INT64_MAX / minor) {
            const i64 travelled = first * minor;
            moved = travelled / major;
            err = travelled % major;
        } else {
            const __int128 travelled = static_cast<__int128>(first) * minor;
            moved = static_cast<i64>(travelled / major);
            err = static_cast<i64>(travelled % major);
        }
    }
    i64 x = x1 + i64(xstep) * (x_major ? first : moved);
    i64 y = y1 + i64(ystep) * (x_major ? moved : first);
    for (i64 i = first; i <= last; ++i) {
        pset(hdc, qx_clamp_int(x), qx_clamp_int(y), color);
        err += minor;
        if (err >= major) {
            err -= major;
            if (x_major) y += ystep;
            else x += xstep;
        }
        if (x_major) x += xstep;
        else y += ystep;
    }
}

}  // namespace

void qx_line(HDC hdc, int x1, int y1, int x2, int y2, short color) { line(hdc, x1, y1, x2, y2, color, false); }

void qx_box(HDC hdc, int x, int y, int width, int height, int paintflg, short color) {
    if (paintflg) {
        solid_fill(hdc, qx_device(x), qx_device(y), qx_device(width), qx_device(height), color);
        return;
    }
    qx_xline(hdc, x, y, width, color);
    qx_xline(hdc, x, qx_clamp_int(i64(y) + height - 1), width, color);
    qx_yline(hdc, x, y, height, color);
    qx_yline(hdc, qx_clamp_int(i64(x) + width - 1), y, height, color);
}

void qx_circle(HDC hdc, int cx, int cy, int r, short color) {
    // Converted by truncation toward zero; a point past the int range is
    // held at its edge, where nothing is drawn.
    auto to_int = [](double v) { return static_cast<int>(std::min(std::max(v, -2147483648.0), 2147483647.0)); };
    // The cosines and sines of the 359 angles, computed once: the same
    // values each time, without two library calls per degree per circle.
    struct Table {
        double cos[360], sin[360];
        Table() {
            for (int d = 1; d < 360; ++d) {
                double angle = d * 3.1415926535 / 180.0;
                cos[d] = std::cos(angle);
                sin[d] = std::sin(angle);
            }
        }
    };
    static const Table t;
    // One look at the surface serves all 360 segments.
    Box visible;
    if (!visible_logical(hdc, &visible)) return;
    const int sx = qx_clamp_int(i64(cx) + r - 1), sy = cy;  // one pixel inside cx + r
    // Every point lies within r of the centre (and sx one inside it): when
    // that square is on the surface, so is every segment.
    const i64 ar = std::llabs(i64(r));
    const bool on_surface = cx - ar - 1 >= visible.left && cx + ar + 1 < visible.right && cy - ar - 1 >= visible.top &&
                            cy + ar + 1 < visible.bottom;
    const Pen p = pen(hdc, color);
    // A segment with both ends on the surface (nearly all of them, one or
    // two points long) is walked here; the rest go the long way.
    auto segment = [&](int x1, int y1, int x2, int y2, bool skip_first) {
        if (!on_surface && (!inside(visible, x1, y1) || !inside(visible, x2, y2)))
            return line(hdc, x1, y1, x2, y2, color, skip_first, &visible);
        // One step (most segments), its first end left out: what
        // walk_inside draws is its other end.
        if (skip_first && unsigned(x2 - x1 + 1) <= 2 && unsigned(y2 - y1 + 1) <= 2) return pset_on(p, x2, y2);
        walk_inside(p, x1, y1, x2, y2, skip_first);
    };
    const int x1 = to_int(cx + r * t.cos[1]), y1 = to_int(cy + r * t.sin[1]);
    segment(sx, sy, x1, y1, false);
    // The ends of the other segments, each drawn without its first end: a
    // segment that does not move draws nothing and makes no call, so its
    // end is dropped here, without a branch, and the loop that draws meets
    // no choice it cannot foresee.
    // The last end is kept in registers too: read back from the array, each
    // step would wait for the store before it.
    int xs[360], ys[360], n = 0, last_x = x1, last_y = y1;
    xs[0] = x1;
    ys[0] = y1;
    auto end_at = [&](int x, int y) {
        n += (x != last_x) | (y != last_y);
        xs[n] = last_x = x;
        ys[n] = last_y = y;
    };
    if (!on_surface) {
        for (int d = 2; d < 360; ++d) end_at(to_int(cx + r * t.cos[d]), to_int(cy + r * t.sin[d]));
        end_at(sx, sy);
        for (int i = 1; i <= n; ++i) segment(xs[i - 1], ys[i - 1], xs[i], ys[i], true);
        return;
    }
    // On the surface every point is in the int range, and a one-step
    // segment's end is drawn here, inline.
    for (int d = 2; d < 360; ++d) end_at(static_cast<int>(cx + r * t.cos[d]), static_cast<int>(cy + r * t.sin[d]));
    end_at(sx, sy);
    for (int i = 1; i <= n; ++i) {
        if (unsigned(xs[i] - xs[i - 1] + 1) <= 2 && unsigned(ys[i] - ys[i - 1] + 1) <= 2) pset_on(p, xs[i], ys[i]);
        else segment(xs[i - 1], ys[i - 1], xs[i], ys[i], true);
    }
}
