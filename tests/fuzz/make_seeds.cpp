// Writes the fuzzer's seed corpus, as recipes (bmp_recipe.h): one file for
// each BMP form the loader takes, from the same generator the unit tests
// use, and RLE files whose streams run to tens of millions of codes.
#include "bmp_recipe.h"

#include "../unit/bmp_files.h"

#include <string>

namespace {

// The pixel data starts where the file header says.
size_t bits_at(const std::vector<uint8_t>& file) {
    return size_t(file[10] | file[11] << 8 | file[12] << 16 | uint32_t(file[13]) << 24);
}

void write_recipe(const std::string& path, const Recipe& r) { write_file(path, serialize_recipe(r)); }

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const std::string dir = argv[1];
    const BmpForm forms[] = {
        {"info-1", BmpHeader::info, 1, BmpCoding::rgb},       {"info-4", BmpHeader::info, 4, BmpCoding::rgb},
        {"info-8", BmpHeader::info, 8, BmpCoding::rgb},       {"info-16", BmpHeader::info, 16, BmpCoding::rgb},
        {"info-24", BmpHeader::info, 24, BmpCoding::rgb},     {"info-32", BmpHeader::info, 32, BmpCoding::rgb},
        {"topdown-24", BmpHeader::info, 24, BmpCoding::rgb, true},
        {"bitfields-16", BmpHeader::info, 16, BmpCoding::bitfields},
        {"bitfields-32", BmpHeader::info, 32, BmpCoding::bitfields},
        {"rle8", BmpHeader::info, 8, BmpCoding::rle8},        {"rle4", BmpHeader::info, 4, BmpCoding::rle4},
        {"short-table-4", BmpHeader::info, 4, BmpCoding::rgb, false, 5},
        {"core-8", BmpHeader::core, 8, BmpCoding::rgb},       {"core-24", BmpHeader::core, 24, BmpCoding::rgb},
        {"v4-16", BmpHeader::v4, 16, BmpCoding::bitfields},   {"v5-32", BmpHeader::v5, 32, BmpCoding::bitfields},
        {"v5-rle4", BmpHeader::v5, 4, BmpCoding::rle4},
    };
    for (const BmpForm& f : forms) {
        int colours = f.bpp == 1 ? 2 : f.table ? f.table : 8;
        const std::vector<uint8_t> file = encode_bmp(f, test_image(colours));
        write_recipe(dir + "/" + f.name, recipe_of_file(file, bits_at(file)));
    }
    // Long streams: one code repeated millions of times, then a line that
    // lands pixels, on pictures small and large.
    const struct {
        const char* name;
        int width, height;
        std::vector<uint8_t> unit;
        uint32_t count;
    } long_streams[] = {
        {"moves-2^32", 1, 2, {0, 2, 255, 0}, 16843009},
        {"moves-2^31", 1, 2, {0, 2, 255, 0}, 8421505},
        {"runs-31m", 1, 2, {255, 1}, 31000000},
        {"runs-wide", 4096, 4, {255, 7}, 1 << 20},
        {"lines-up", 3, 4096, {0, 2, 1, 1}, 1 << 16},
    };
    for (bool four_bit : {false, true}) {
        for (const auto& s : long_streams) {
            const std::vector<uint8_t> tail = {1, 5, 0, 0, 2, 6, 0, 1};
            const std::vector<uint8_t> file = encode_rle(s.width, s.height, four_bit, tail);
            Recipe r = recipe_of_file(file, bits_at(file));
            r.pieces.insert(r.pieces.begin(), {s.count, s.unit});
            write_recipe(dir + "/" + (four_bit ? "rle4-" : "rle8-") + s.name, r);
        }
    }
    return 0;
}
