// The layer's glyphs, where they depend on what fonts are installed: a
// character no installed font has draws a placeholder cell, and the cache of
// rendered glyphs stays within its bound at any height. Native only: on
// Windows the fonts are the system's.
#include "support.h"

#include "gdi/font.h"
#include "gdi/objects.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// Columns [x0, x1) of the canvas hold some pixel of that colour.
bool has(const Canvas& c, int x0, int x1, COLORREF colour) {
    for (int y = 0; y < c.height(); ++y)
        for (int x = x0; x < x1; ++x)
            if (c.at(x, y) == colour) return true;
    return false;
}

// In a process whose fontconfig knows no font at all, "A漢B字C" keeps every
// character: the built-in font draws the letters and placeholder cells stand
// for the kanji, two cells wide, in the default font and in mode 19 alike.
TEST(GlyphsDeathTest, WithoutAnyFontEveryCharacterStillDrawsACell) {
    const std::string config = testing::TempDir() + "empty-fonts.conf";
    std::FILE* f = std::fopen(config.c_str(), "w");
    ASSERT_TRUE(f);
    std::fputs("<?xml version=\"1.0\"?><fontconfig></fontconfig>\n", f);
    std::fclose(f);
    setenv("FONTCONFIG_FILE", config.c_str(), 1);
    auto draw_and_check = [] {
        std::string failures;
        for (bool mode19 : {false, true}) {
            bai = 1;
            qx_setvideomode(mode19 ? 19 : 3);
            Canvas c(200, 40);
            GvramOnCanvas on(c);
            qx_printf(0, 0, 15, "A漢B字C");
            // Cells: A 0..8, 漢 8..24, B 24..32, 字 32..48, C 48..56.
            const int cells[][2] = {{0, 8}, {8, 24}, {24, 32}, {32, 48}, {48, 56}};
            for (auto& cell : cells)
                if (!has(c, cell[0], cell[1], coltbl[15]))
                    failures += " no ink in x " + std::to_string(cell[0]) + ".." + std::to_string(cell[1]);
            if (has(c, 56, 200, 0x000000)) failures += " text past x 56";
            if (!failures.empty()) failures = (mode19 ? "mode 19:" : "default font:") + failures;
        }
        std::fprintf(stderr, "%s\n", failures.empty() ? "cells ok" : failures.c_str());
        std::exit(failures.empty() ? 0 : 1);
    };
    // Also says, once, which packages bring the fonts.
    // Nothing comes between the one message and the result: it is said once.
    EXPECT_EXIT(draw_and_check(), testing::ExitedWithCode(0),
                "qx: no installed font has the character U\\+6F22; Japanese text needs the IPA fonts "
                "\\(apt-get install fonts-ipafont-gothic fonts-ipafont-mincho\\)\ncells ok");
    unsetenv("FONTCONFIG_FILE");
    std::remove(config.c_str());
}

TEST(Glyphs, ACharacterNoFontHasDrawsAPlaceholderOfItsWidth) {
    // F040 is the first user-defined character of code page 932 (U+E000),
    // which no installed face draws.
    const struct { const char* face; int fw, fh; } fonts[] = {{nullptr, 0, 0}, {"ＭＳ 明朝", 8, 16}, {"ＭＳ ゴシック", 12, 24}};
    for (const auto& font : fonts) {
        SCOPED_TRACE(font.face ? font.face : "built-in");
        Canvas c(100, 40);
        HFONT h = font.face ? CreateFontA(font.fh, font.fw, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                                          PROOF_QUALITY, FIXED_PITCH | FF_MODERN, font.face)
                            : nullptr;
        HGDIOBJ old = h ? SelectObject(c.dc(), h) : nullptr;
        SIZE a{}, pua{};
        GetTextExtentPoint32A(c.dc(), "a", 1, &a);
        GetTextExtentPoint32A(c.dc(), "\xF0\x40", 2, &pua);
        EXPECT_EQ(pua.cx, 2 * a.cx) << "a double-byte character is two cells wide";
        SetBkMode(c.dc(), TRANSPARENT);
        TextOutA(c.dc(), 0, 0, "\xF0\x40", 2);
        EXPECT_TRUE(has(c, 0, pua.cx, 0x000000));
        EXPECT_FALSE(has(c, pua.cx, c.width(), 0x000000));
        if (h) {
            SelectObject(c.dc(), old);
            DeleteObject(h);
        }
    }
}

TEST(Glyphs, TheCacheStaysWithinItsBoundAndRedrawsWhatItDropped) {
    // The largest cell height: every kanji glyph is megabytes.
    HFONT h = CreateFontA(2048, 1024, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, PROOF_QUALITY,
                          FIXED_PITCH | FF_MODERN, "ＭＳ 明朝");
    plat::Font* font = plat::font_from(h);
    ASSERT_TRUE(font);
    ASSERT_FALSE(font->builtin) << "needs the IPA fonts";
    // 120 kanji: the first of lead byte 89 (trail bytes 40-7E, then 80-).
    std::string line;
    for (int i = 0; i < 120; ++i) line += {char(0x89), char(i < 63 ? 0x40 + i : 0x80 + i - 63)};
    Canvas c(640, 400);
    SelectObject(c.dc(), h);
    ASSERT_TRUE(TextOutA(c.dc(), 0, -600, line.data(), int(line.size())));
    EXPECT_LE(font->glyphs.lru.size(), 2u) << "only the glyphs that reach the surface are rendered";
    Canvas first(640, 400);
    SelectObject(first.dc(), h);
    TextOutA(first.dc(), -900, -600, line.data(), 2);
    // Each of twelve kanji drawn on the surface in turn renders it; the
    // cache keeps within its bound (the newest glyph is always kept), and
    // the first kanji, long dropped, draws the same again.
    for (size_t i = 0; i < 24; i += 2) {
        TextOutA(c.dc(), -900, -600, line.data() + i, 2);
        ASSERT_LE(font->glyphs.bytes, plat::kGlyphCacheBytes + 2048u * 2048u + 1024u) << i / 2;
    }
    EXPECT_LT(font->glyphs.lru.size(), 12u);
    TextOutA(c.dc(), -900, -600, line.data(), 2);
    int differ = 0;
    for (int y = 0; y < 400; y += 3)
        for (int x = 0; x < 640; x += 3) differ += c.at(x, y) != first.at(x, y);
    EXPECT_EQ(differ, 0);
    SelectObject(c.dc(), GetStockObject(SYSTEM_FONT));
    SelectObject(first.dc(), GetStockObject(SYSTEM_FONT));
    DeleteObject(h);
}

}  // namespace
