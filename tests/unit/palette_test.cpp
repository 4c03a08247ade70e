// The default palette: its layout, its 6-bit levels and its exact contents.
#include "support.h"

#include <gtest/gtest.h>

namespace {

// Palette entries are listed as RRGGBB; coltbl holds 0x00BBGGRR.
COLORREF rgb(unsigned v) { return RGB(v >> 16, (v >> 8) & 0xFF, v & 0xFF); }

TEST(Palette, TextModeColoursAndGreyRamp) {
    const unsigned text[16] = {0x000000, 0x0000A8, 0x00A800, 0x00A8A8, 0xA80000, 0xA800A8, 0xA85400, 0xA8A8A8,
                               0x545454, 0x5454FC, 0x54FC54, 0x54FCFC, 0xFC5454, 0xFC54FC, 0xFCFC54, 0xFCFCFC};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(coltbl[i], rgb(text[i])) << i;
    const unsigned grey[16] = {0x00, 0x14, 0x20, 0x2C, 0x38, 0x44, 0x50, 0x60,
                               0x70, 0x80, 0x90, 0xA0, 0xB4, 0xC8, 0xE0, 0xFC};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(coltbl[16 + i], rgb(grey[i] * 0x010101u)) << 16 + i;
    for (int i = 248; i < 256; ++i) EXPECT_EQ(coltbl[i], 0u) << i;
}

TEST(Palette, EveryComponentIsASixBitLevelTimesFour) {
    for (int i = 0; i < 256; ++i) {
        COLORREF c = coltbl[i];
        EXPECT_EQ(c & 0xFF030303u, 0u) << i;  // no high byte, every component a multiple of 4
        EXPECT_LE(GetRValue(c), 0xFC);
        EXPECT_LE(GetGValue(c), 0xFC);
        EXPECT_LE(GetBValue(c), 0xFC);
    }
}

TEST(Palette, HueRunsHaveTheirFirstEntriesAndTheWholeTableItsSum) {
    // The first entry of each of the nine runs of 24 hues: blue at the three
    // saturations of each brightness level.
    const struct { int index; unsigned rgb; } firsts[] = {
        {32, 0x0000FC}, {56, 0x7C7CFC}, {80, 0xB4B4FC}, {104, 0x000070}, {128, 0x383870},
        {152, 0x505070}, {176, 0x000040}, {200, 0x202040}, {224, 0x2C2C40}, {40, 0xFC0000}, {247, 0x2C3040},
    };
    for (const auto& f : firsts) EXPECT_EQ(coltbl[f.index], rgb(f.rgb)) << f.index;
    // FNV-1a over the 256 entries as listed RRGGBB, computed from the table
    // independently of this code.
    unsigned long long h = 1469598103934665603ull;
    for (COLORREF c : coltbl) {
        unsigned v = unsigned(GetRValue(c)) << 16 | unsigned(GetGValue(c)) << 8 | GetBValue(c);
        for (int shift = 16; shift >= 0; shift -= 8) h = (h ^ ((v >> shift) & 0xFF)) * 1099511628211ull;
    }
    EXPECT_EQ(h, 0x22945887e43009bull);
}

}  // namespace
