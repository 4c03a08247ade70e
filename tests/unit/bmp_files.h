// BMP files made by the tests, in every form LoadImageA takes, from an image
// of palette indices: the expected colour of every pixel is known exactly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class BmpHeader { core, info, v4, v5 };
enum class BmpCoding { rgb, rle8, rle4, bitfields };

struct BmpForm {
    const char* name;
    BmpHeader header;
    int bpp;
    BmpCoding coding;
    bool top_down = false;
    int table = 0;  // colour-table entries written; 0: all 2^bpp (up to 8 bits)
};

struct IndexImage {
    int width, height;
    std::vector<uint32_t> palette;  // 0xRRGGBB
    std::vector<uint8_t> index;     // rows top first
    uint32_t rgb(int x, int y) const { return palette[index[size_t(y) * width + x]]; }
};

// A small image whose colours survive every form (channels 0x00 or 0xFF),
// 19 x 5: its rows fill whole bytes and end part-way through one at every
// depth below 8 bits.
IndexImage test_image(int colours);

std::vector<uint8_t> encode_bmp(const BmpForm& form, const IndexImage& img);

// Appends `unit` repeated `times` times, by doubling what is already there:
// streams of 67 MB take a few copies, not millions of inserts.
void append_repeated(std::vector<uint8_t>& out, const std::vector<uint8_t>& unit, size_t times);

// An RLE stream written as codes separated by spaces, each run of one
// index, each absolute run of indices (packed in nibbles for RLE4):
//   rN:V  N pixels of index V (RLE4: both nibbles V)   aV,V,...  absolute
//   dX,Y  move right and up      e  end of line      E  end of bitmap
//   xHH,HH,...  these bytes as they are
// A code followed by *N is repeated N times ("d255,0*8421505").
std::vector<uint8_t> rle_stream(const char* codes, bool four_bit);

// An info-header RLE8 (RLE4 when four_bit) file of the given size whose
// pixel data is `stream`. Its colour table gives index i rle_colour(i).
std::vector<uint8_t> encode_rle(int width, int height, bool four_bit, const std::vector<uint8_t>& stream);
uint32_t rle_colour(int index);  // 0xRRGGBB, a different colour for each index

// Writes bytes to a file in the working directory; returns its name.
std::string write_file(const std::string& name, const std::vector<uint8_t>& bytes);
