// Writes the fuzzer's seed corpus: one file for each BMP form the loader
// takes, from the same generator the unit tests use.
#include "../unit/bmp_files.h"

#include <string>

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
        write_file(dir + "/" + f.name + ".bmp", encode_bmp(f, test_image(colours)));
    }
    return 0;
}
