// BMP decoding for LoadImageA: the file forms Windows loads, into 32-bit
// 0x00RRGGBB pixels, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

struct DecodedBmp {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;  // the file's own depth
    std::vector<uint32_t> pixels;
};

// The largest picture decoded: 16384 pixels a side and 64 Mi pixels
// (256 MiB). Anything larger fails instead of exhausting memory.
constexpr int kMaxBmpSide = 16384;
constexpr int64_t kMaxBmpPixels = int64_t(1) << 26;

// Core (12-byte), info (40), V2/V3 (52/56), V4 (108) and V5 (124) headers;
// 1, 4, 8, 16, 24 and 32 bits per pixel; BI_RGB, BI_RLE8, BI_RLE4 and
// BI_BITFIELDS; bottom-up and top-down rows; colour tables shorter than
// 2^bpp. False for anything else, for data that ends early, and for sizes
// past the bound.
bool decode_bmp(const uint8_t* data, size_t size, DecodedBmp* out);

}  // namespace plat
