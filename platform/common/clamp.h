// Coordinates held at the edge of the 32-bit range (a LONG's, an int's)
// instead of overflowing: a rectangle past it stays at its edge.
#pragma once

#include <algorithm>
#include <cstdint>

namespace plat {

inline int32_t clamp_int32(int64_t v) { return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

}  // namespace plat
