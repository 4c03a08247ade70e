// The planning of a block copy (blit.cpp), one axis at a time: for every
// visible destination column (row), the source columns (rows) that land on
// it, or none, found once per call so that the copy's row loops run with no
// checks.
//
// The rules, found by experiment against Windows' GDI as Wine implements it
// and, where they differ, from what Wine's own conformance tests record of
// Windows:
// - A negative extent runs from the origin pixel inclusive: x, x - 1, ...,
//   x + w + 1. When the destination and source extents of an axis are both
//   negative, StretchBlt covers [x + w, x) instead (the origin excluded) and
//   copies unmirrored; signs that differ mirror.
// - Enlarging, destination step j (counted from the origin along the
//   extent's direction) takes source step ceil((2j + 1) * sw / (2 * dw)) - 1.
//   Shrinking, source step i lands on destination step
//   ceil((2i + 1) * dw / (2 * sw)) - 1; a destination one pixel wide takes
//   all but the last source pixel, unless either extent is negative.
// - Of the source pixels that land on one destination pixel, a copy that
//   keeps one takes the last along the source's direction for columns, the
//   first for rows.
// - Source pixels outside the source surface are not read. The destination
//   is cut by the cut's share of it (rounded down), on the same side as the
//   source even when the copy mirrors.
#pragma once

#include <cstdint>
#include <vector>

namespace plat {

// The source pixels [first, first + count) that land on one destination
// pixel, ascending and inside the source surface, and `pick`, the one a copy
// keeping a single pixel takes. count 0: none.
struct Tap {
    int32_t first, count, pick;
};

// One axis of a copy, planned.
struct Axis {
    int64_t lo = 0, hi = 0;  // the visible destination rectangle: [lo, hi)
    bool merges = false;     // some destination pixel takes several source pixels
    std::vector<Tap>* taps = nullptr;  // one per position in [lo, hi)
};

// The half-open range a signed extent covers from `origin`: a negative one
// runs from the origin pixel inclusive.
void cover(int64_t origin, int64_t extent, int64_t* lo, int64_t* hi);

// Plans one axis: destination origin xd and extent wd, source origin xs and
// extent ws (neither 0), the visible destination positions [vlo, vhi), the
// source surface's extent sn. pick_last: which of several source pixels a
// single-pixel copy keeps. both_negative_exclusive: StretchBlt's rule for an
// axis whose extents are both negative. False: the call fails.
bool plan_axis(int64_t xd, int64_t wd, int64_t xs, int64_t ws, int64_t vlo, int64_t vhi, int64_t sn,
               bool pick_last, bool both_negative_exclusive, std::vector<Tap>& taps, Axis& a);

}  // namespace plat
