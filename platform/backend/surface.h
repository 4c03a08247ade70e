// What the seam hands a backend to show: a window's client area as the layer
// draws it, 32-bit 0x00RRGGBB pixels, rows top-down, like a 32-bit DIB
// section. Every draw marks it dirty (touch); the backend shows it again
// once it is. GDI keeps more about its surfaces (gdi/objects.h) on top of
// these fields.
#pragma once

#include <atomic>
#include <cstdint>

namespace plat::backend {

struct Surface {
    int width = 0;
    int height = 0;
    int stride = 0;  // pixels per row
    uint32_t* bits = nullptr;
    std::atomic<bool> dirty{false};  // set by every draw; the presenter clears it

    // Read first: most draws find it set already, and a load is cheaper
    // than a store in a loop of small fills.
    void touch() {
        if (!dirty.load(std::memory_order_relaxed)) dirty.store(true, std::memory_order_relaxed);
    }
};

// A colour value (a COLORREF, 0x00BBGGRR) as a pixel of a surface, and a
// pixel as a colour value.
// Both swap the low and the high byte of the three and clear the top one.
inline uint32_t to_pixel(uint32_t colorref) { return __builtin_bswap32(colorref) >> 8; }
inline uint32_t to_colorref(uint32_t pixel) { return __builtin_bswap32(pixel) >> 8; }

}  // namespace plat::backend
