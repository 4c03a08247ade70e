// BMP decoding for LoadImageA: the file forms Windows loads, into 32-bit
// 0x00RRGGBB pixels, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace plat {

// What is read before the pixel data: the file header, the largest info
// header, three channel masks and a colour table of 256 entries.
constexpr size_t kBmpHeadBytes = 14 + 124 + 12 + 256 * 4;

// What decoding did, counted as it went, so that tests and the fuzzer can
// check its bound without a clock: every RLE code read (each at least two
// bytes of the file), and every pixel stored from the file (not the fill of
// index 0 that an RLE picture starts from). The position in a stream only
// moves on, so no pixel is stored twice.
struct BmpWork {
    uint64_t codes = 0;
    uint64_t pixels = 0;
};

struct DecodedBmp {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 0;  // the file's own depth
    std::vector<uint32_t> pixels;
    BmpWork work;
};

// The largest picture decoded: 16384 pixels a side and 64 Mi pixels
// (256 MiB). Anything larger fails instead of exhausting memory.
constexpr int kMaxBmpSide = 16384;
constexpr int64_t kMaxBmpPixels = int64_t(1) << 26;

// The most pixel data read from one file: the largest picture at 32 bits
// per pixel. An RLE stream is read no further either.
constexpr uint64_t kMaxBmpDataBytes = uint64_t(kMaxBmpPixels) * 4;

// The bytes of a BMP file, as the decoder asks for them: the headers first,
// then only the pixel data the picture can use, so that no file is read
// further than its picture needs.
class BmpFile {
public:
    explicit BmpFile(uint64_t size) : size_(size) {}
    uint64_t size() const { return size_; }
    // Fills buf with the n bytes at offset at; false if they cannot be read.
    virtual bool read(uint64_t at, uint8_t* buf, size_t n) = 0;

protected:
    ~BmpFile() = default;

private:
    uint64_t size_;
};

// Core (12-byte), info (40), V2/V3 (52/56), V4 (108) and V5 (124) headers;
// 1, 4, 8, 16, 24 and 32 bits per pixel; BI_RGB, BI_RLE8, BI_RLE4 and
// BI_BITFIELDS; bottom-up and top-down rows; colour tables shorter than
// 2^bpp. False for anything else, for data that ends early, and for sizes
// past the bound, all found before the pixels are allocated. An RLE stream
// is clipped to the picture, as Wine's LoadImageA clips it: codes that move
// or run past a row's end land nothing there, and decoding ends once no
// pixel is left that the stream can reach. The work done is bounded by the pixel
// count plus the bytes read, whatever the stream claims.
bool decode_bmp(BmpFile& file, DecodedBmp* out);

// The bound decoding keeps, given what it read of a file of file_size bytes:
// the head, then each byte at most once; at most one code for every two of
// those bytes; at most one store for each pixel.
inline bool work_within_bound(const DecodedBmp& bmp, uint64_t bytes_read, uint64_t file_size) {
    return bytes_read <= kBmpHeadBytes + file_size && bmp.work.codes <= bytes_read / 2 &&
           bmp.work.pixels <= uint64_t(bmp.width) * uint64_t(bmp.height);
}

}  // namespace plat
