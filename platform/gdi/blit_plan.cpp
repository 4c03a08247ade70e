// The planning of a block copy, one axis at a time (the rules are in
// blit_plan.h).
#include "gdi/blit_plan.h"

#include <algorithm>

namespace plat {

namespace {

using i128 = __int128;

// floor(a / b) for b > 0.
int64_t floor_div(i128 a, int64_t b) {
    i128 q = a / b;
    if (a % b != 0 && a < 0) --q;
    return int64_t(q);
}

}  // namespace

void cover(int64_t origin, int64_t extent, int64_t* lo, int64_t* hi) {
    *lo = extent >= 0 ? origin : origin + extent + 1;
    *hi = extent >= 0 ? origin + extent : origin + 1;
}

bool plan_axis(int64_t xd, int64_t wd, int64_t xs, int64_t ws, int64_t vlo, int64_t vhi, int64_t sn,
               bool pick_last, bool both_negative_exclusive, std::vector<Tap>& taps, Axis& a) {
    int64_t dl, dr, sl, sr;
    bool dpos = wd > 0, spos = ws > 0;
    if (!dpos && !spos && both_negative_exclusive) {
        dl = xd + wd, dr = xd, sl = xs + ws, sr = xs;
        dpos = spos = true;
    } else {
        cover(xd, wd, &dl, &dr);
        cover(xs, ws, &sl, &sr);
    }
    const int64_t dw = dr - dl, sw = sr - sl;
    const bool mirror = dpos != spos;
    a.taps = &taps;
    a.lo = std::max(dl, vlo);
    a.hi = std::min(dr, vhi);
    a.merges = dw < sw;
    if (a.lo >= a.hi) {
        a.lo = a.hi = 0;
        taps.clear();
        return true;
    }
    taps.assign(size_t(a.hi - a.lo), Tap{0, 0, 0});
    // Source pixels outside the surface are not read; the destination loses
    // the share that fell on them, rounded down, from the same side as the
    // source. Mirroring, the cut at the destination's origin rounds up, and
    // what remains of the picture moves by the difference.
    const int64_t cl = std::max<int64_t>(0, -sl), cr = std::max<int64_t>(0, sr - sn);
    if (cl + cr >= sw) return true;
    auto share = [&](int64_t cut, bool up) {
        if (!cut) return int64_t(0);
        return up ? -floor_div(-i128(cut) * dw, sw) : floor_div(i128(cut) * dw, sw);
    };
    const int64_t cut_l = share(cl, mirror && dpos), cut_r = share(cr, mirror && !dpos);
    const int64_t d0 = dl + cut_l, d1 = dr - cut_r;
    if (d0 >= d1) return false;
    const int64_t shift = mirror ? cut_r - cut_l : 0;
    const int64_t x0 = std::max(d0, a.lo), x1 = std::min(d1, a.hi);
    if (x0 >= x1) return true;
    // Destination steps j (from the origin) of the positions x0 .. x1 - 1.
    auto step_of = [&](int64_t x) { return dpos ? x + shift - dl : dr - 1 - (x + shift); };
    const int64_t j_lo = std::min(step_of(x0), step_of(x1 - 1)), j_hi = std::max(step_of(x0), step_of(x1 - 1));
    // boundary(j) = floor((2j * sw - dw) / (2 dw)) + 1 is the first source
    // step of destination step j when shrinking; enlarging, destination step
    // j takes floor(((2j + 1) sw - 1) / (2 dw)). Both advance by 2 sw / (2 dw)
    // per step: one division to start, then additions.
    const int64_t den = 2 * dw, inc = 2 * sw;
    i128 start = a.merges ? i128(2) * j_lo * sw - dw : (i128(2) * j_lo + 1) * sw - 1;
    int64_t q = floor_div(start, den);
    int64_t r = int64_t(start - i128(q) * den);
    const int64_t inc_q = inc / den, inc_r = inc % den;
    auto advance = [&] {
        q += inc_q, r += inc_r;
        if (r >= den) ++q, r -= den;
    };
    const bool quirk = dw == 1 && dpos && spos;
    for (int64_t j = j_lo; j <= j_hi; ++j) {
        int64_t i0, i1;  // source steps, inclusive
        if (a.merges) {
            i0 = q + 1;
            advance();
            i1 = q;
        } else {
            i0 = i1 = q;
            advance();
        }
        // To source positions, ascending, kept inside the surface.
        int64_t p0 = spos ? sl + i0 : sr - 1 - i1, p1 = spos ? sl + i1 : sr - 1 - i0;
        p0 = std::max<int64_t>(p0, 0);
        p1 = std::min<int64_t>(p1, sn - 1);
        if (p0 > p1) continue;
        // A destination one pixel wide leaves out the source rectangle's last
        // pixel. When that was the only one inside the surface the call
        // fails, unless the rectangle is two pixels wide.
        if (quirk) {
            const int64_t last = std::min(p1, sr - 2);
            if (last >= p0) p1 = last;
            else if (sw > 2) return false;
        }
        const bool last_along = pick_last == spos;
        const int64_t x = dpos ? j + dl - shift : dr - 1 - j - shift;
        taps[size_t(x - a.lo)] = Tap{int32_t(p0), int32_t(p1 - p0 + 1), int32_t(last_along ? p1 : p0)};
    }
    return true;
}

}  // namespace plat
