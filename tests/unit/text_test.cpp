// qx_printf, qx_setfont and qx_setvideomode, drawn on a memory surface that
// stands in for gvram.
#include "support.h"

#include <gtest/gtest.h>
#include <layer_seams.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Bounds { int left = -1, top = -1, right = -1, bottom = -1; };

// The rectangle of pixels that are no longer the canvas's white.
Bounds painted(const Canvas& c) {
    Bounds b;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) {
            if (c.at(x, y) == 0xFFFFFF) continue;
            if (b.left < 0 || x < b.left) b.left = x;
            if (b.top < 0) b.top = y;
            b.right = std::max(b.right, x + 1);
            b.bottom = y + 1;
        }
    return b;
}

SIZE extent(HDC dc, const std::string& s) {
    SIZE sz{};
    GetTextExtentPoint32A(dc, s.data(), int(s.size()), &sz);
    return sz;
}

TEST(Printf, DrawsAtTheDevicePositionInPaletteColourOnBlack) {
    const struct { int mode, at; } cases[] = {{1, 20}, {0, 10}, {2, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        Canvas canvas(200, 60);
        GvramOnCanvas on(canvas);
        bai = c.mode;
        qx_printf(10, 10, 15, "FPS:%d", 60);
        SIZE sz = extent(canvas.dc(), "FPS:60");
        Bounds b = painted(canvas);
        EXPECT_EQ(b.left, c.at);
        EXPECT_EQ(b.top, c.at);
        EXPECT_EQ(b.right - b.left, sz.cx);
        EXPECT_EQ(b.bottom - b.top, sz.cy);
        // Every pixel is the ink, the black cell, or (where the surface's
        // font is antialiased) a grey between the two.
        int ink = 0, cell = 0;
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x) {
                COLORREF p = canvas.at(x, y);
                ink += p == 0xFCFCFC;
                cell += p == 0x000000;
                bool grey = GetRValue(p) == GetGValue(p) && GetGValue(p) == GetBValue(p) && GetRValue(p) <= 0xFC;
                ASSERT_TRUE(grey) << x << "," << y << " " << std::hex << p;
            }
        EXPECT_GT(ink, 20);
        EXPECT_GT(cell, ink);
        // The colours are left black on white, whatever they were before.
        EXPECT_EQ(GetTextColor(canvas.dc()), 0x000000u);
        EXPECT_EQ(GetBkColor(canvas.dc()), 0xFFFFFFu);
    }
    bai = 1;
}

TEST(Printf, PaletteIndicesWrapToEightBits) {
    const struct { short color; COLORREF ink; } cases[] = {{15, 0xFCFCFC}, {256 + 9, coltbl[9]}, {-241, coltbl[15]},
                                                             {4, coltbl[4]}};
    for (const auto& c : cases) {
        Canvas canvas(100, 40);
        GvramOnCanvas on(canvas);
        bai = 0;
        qx_printf(0, 0, c.color, "#");
        SIZE cell{};
        GetTextExtentPoint32A(canvas.dc(), "#", 1, &cell);
        bool found = false;
        for (int y = 0; y < cell.cy; ++y)
            for (int x = 0; x < cell.cx; ++x) found = found || canvas.at(x, y) == c.ink;
        EXPECT_TRUE(found) << c.color;
    }
    bai = 1;
}

TEST(Printf, LongTextIsCutAt255BytesOnACharacterBoundary) {
    bai = 0;
    const struct { std::string text; size_t kept; } cases[] = {
        {std::string(300, 'x'), 255},
        {std::string(255, 'x'), 255},
        {std::string(254, 'x') + "あいう", 254},  // "あ" would take bytes 255 and 256
        {std::string(253, 'x') + "あいう", 255},
    };
    for (const auto& c : cases) {
        Canvas fresh(2200, 20);
        GvramOnCanvas on(fresh);
        qx_printf(0, 0, 15, "%s", c.text.c_str());
        EXPECT_EQ(painted(fresh).right, extent(fresh.dc(), c.text.substr(0, c.kept)).cx) << c.text.size();
    }
    bai = 1;
}

std::string face_of(HFONT f, LOGFONTA* lf) {
    *lf = LOGFONTA{};
    if (!f || GetObjectA(f, sizeof *lf, lf) != int(sizeof *lf)) return "(none)";
    return lf->lfFaceName;
}

TEST(Printf, VideoMode19ChoosesTheMinchoFont) {
    const struct { int bai, width, height; } cases[] = {{1, 8, 16}, {2, 8, 16}, {0, 4, 8}, {5, 4, 8}};
    for (const auto& c : cases) {
        bai = c.bai;
        qx_setvideomode(19);
        LOGFONTA lf;
        EXPECT_EQ(face_of(hfont, &lf), "ＭＳ 明朝") << c.bai;
        EXPECT_EQ(lf.lfWidth, c.width);
        EXPECT_EQ(lf.lfHeight, c.height);
        EXPECT_EQ(lf.lfPitchAndFamily, FIXED_PITCH | FF_MODERN);
        EXPECT_EQ(lf.lfQuality, PROOF_QUALITY);
    }
    bai = 1;
    qx_setvideomode(19);
    // Printing with it leaves the surface's own font selected afterwards.
    Canvas canvas(200, 40);
    GvramOnCanvas on(canvas);
    HGDIOBJ own = GetCurrentObject(canvas.dc(), OBJ_FONT);
    qx_printf(0, 0, 15, "%s", "終了");
    EXPECT_EQ(GetCurrentObject(canvas.dc(), OBJ_FONT), own);
    EXPECT_NE(painted(canvas).left, -1) << "the Mincho text was drawn";
    // Any other mode drops the font: text is back in the surface's font.
    qx_setvideomode(3);
    EXPECT_EQ(hfont, nullptr);
    Canvas plain(200, 40);
    GvramOnCanvas on2(plain);
    qx_printf(0, 0, 15, "A");
    EXPECT_EQ(painted(plain).bottom, extent(plain.dc(), "A").cy);
}

TEST(Printf, LeavesNoGdiObjectsBehind) {
    Canvas canvas(200, 40);
    GvramOnCanvas on(canvas);
    qx_setvideomode(19);
    qx_printf(0, 0, 15, "warm");
    size_t live = plat::seam::live_objects();
    for (int i = 0; i < 1000; ++i) qx_printf(0, 0, 15, "FPS:%d", i);
    if (plat::seam::running_on_wine()) GTEST_SKIP() << "Wine's GetGuiResources counts nothing";
    EXPECT_EQ(plat::seam::live_objects(), live);
    qx_setvideomode(3);
    EXPECT_EQ(plat::seam::live_objects(), live - 1) << "the dropped font is deleted";
}

// The pixels "Ag終" leaves in font f on a fresh canvas.
std::vector<COLORREF> drawn_in(HFONT f) {
    Canvas c(80, 40);
    HGDIOBJ old = SelectObject(c.dc(), f);
    TextOutA(c.dc(), 2, 2, "Ag\x8f\x49", 4);
    SelectObject(c.dc(), old);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < c.height(); ++y)
        for (int x = 0; x < c.width(); ++x) pixels.push_back(c.at(x, y));
    return pixels;
}

HFONT mincho(int height, int width) {
    return CreateFontA(height, width, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, PROOF_QUALITY, FIXED_PITCH | FF_MODERN, "ＭＳ 明朝");
}

// A font made again (a game that sets its font every frame) draws as the
// first one did, and each handle keeps its font for as long as it lives,
// however many other fonts are made meanwhile; deleting a selected font
// still waits until it is deselected.
TEST(Printf, FontsMadeAgainDrawAlikeAndLiveAsLongAsTheirHandles) {
    { Canvas stock(1, 1); }  // the first DC makes the stock objects, which live on: count from after them
    const size_t live = plat::seam::live_objects();
    HFONT first = mincho(16, 8);
    const std::vector<COLORREF> want = drawn_in(first);
    EXPECT_TRUE(DeleteObject(first));
    HFONT again = mincho(16, 8);
    EXPECT_EQ(drawn_in(again), want);

    // Deleted while selected: it draws until it is deselected, then it is gone.
    {
        Canvas c(80, 40);
        HGDIOBJ old = SelectObject(c.dc(), again);
        EXPECT_TRUE(DeleteObject(again));
        EXPECT_TRUE(TextOutA(c.dc(), 2, 2, "Ag\x8f\x49", 4));
        EXPECT_EQ(SelectObject(c.dc(), old), again);
        EXPECT_EQ(GetObjectType(again), 0u);
        std::vector<COLORREF> seen;
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x) seen.push_back(c.at(x, y));
        EXPECT_EQ(seen, want);
    }

    // Many more sizes than are kept: every handle draws as when it was made,
    // the earliest last.
    std::vector<HFONT> fonts;
    std::vector<std::vector<COLORREF>> first_drawn;
    for (int h = 8; h < 48; h += 2) {
        fonts.push_back(mincho(h, h / 2));
        first_drawn.push_back(drawn_in(fonts.back()));
    }
    for (size_t i = fonts.size(); i-- > 0;) EXPECT_EQ(drawn_in(fonts[i]), first_drawn[i]) << "height " << 8 + 2 * i;
    HFONT last = mincho(16, 8);
    EXPECT_EQ(drawn_in(last), want) << "made again after the rest";
    fonts.push_back(last);
    for (HFONT f : fonts) EXPECT_TRUE(DeleteObject(f));
    if (plat::seam::running_on_wine()) GTEST_SKIP() << "Wine's GetGuiResources counts nothing";
    EXPECT_EQ(plat::seam::live_objects(), live);
}

}  // namespace
