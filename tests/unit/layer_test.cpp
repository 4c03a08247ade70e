// The Win32 layer's own contract, where the runtime relies on it: message
// order around creation and destruction, handle checking, object selection,
// default DC state, pixels at the surface's edge, key state and the clock.
#include "support.h"

#include <gtest/gtest.h>
#include <layer_seams.h>

#include <vector>

namespace {

std::vector<UINT> g_msgs;

// Records the messages of creation and destruction; Windows sends others
// around them (sizing, activation) that the runtime does not rely on.
LRESULT CALLBACK recording_proc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NCCREATE || m == WM_CREATE || m == WM_DESTROY || m == WM_NCDESTROY) g_msgs.push_back(m);
    return DefWindowProcA(h, m, wp, lp);
}

TEST(Layer, CreateAndDestroySendTheirMessagesFromInside) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = recording_proc;
    wc.lpszClassName = "Recorder";
    ASSERT_NE(RegisterClassA(&wc), 0);
    EXPECT_EQ(RegisterClassA(&wc), 0) << "a class name is registered once";
    g_msgs.clear();
    HWND w = CreateWindowExA(0, "Recorder", "r", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                             nullptr);
    ASSERT_TRUE(w);
    EXPECT_EQ(g_msgs, (std::vector<UINT>{WM_NCCREATE, WM_CREATE}));
    g_msgs.clear();
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_EQ(g_msgs, (std::vector<UINT>{WM_DESTROY, WM_NCDESTROY}));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_FALSE(DestroyWindow(w));
    EXPECT_FALSE(SetWindowTextA(w, "gone"));
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST(Layer, StaleAndWrongTypedHandlesAreRejected) {
    HBRUSH b = CreateSolidBrush(0x123456);
    ASSERT_TRUE(DeleteObject(b));
    EXPECT_FALSE(DeleteObject(b)) << "deleted twice";
    Canvas c(4, 4);
    EXPECT_EQ(SelectObject(c.dc(), b), nullptr);
    HBRUSH fresh = CreateSolidBrush(0x654321);  // may reuse the slot: the old handle must still fail
    EXPECT_EQ(SelectObject(c.dc(), b), nullptr);
    DeleteObject(fresh);
    HDC dead = CreateCompatibleDC(nullptr);
    DeleteDC(dead);
    EXPECT_EQ(GetPixel(dead, 0, 0), CLR_INVALID);
    EXPECT_FALSE(PatBlt(dead, 0, 0, 1, 1, WHITENESS));
    EXPECT_FALSE(TextOutA(dead, 0, 0, "x", 1));
    EXPECT_EQ(GetPixel(reinterpret_cast<HDC>(fresh), 0, 0), CLR_INVALID) << "a brush is not a DC";
    EXPECT_EQ(SetTextColor(dead, 0), CLR_INVALID);
}

TEST(Layer, SelectionReturnsThePreviousObjectAndDefersDeletion) {
    Canvas c(8, 8);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    HGDIOBJ first = SelectObject(c.dc(), red);
    EXPECT_EQ(first, GetStockObject(WHITE_BRUSH)) << "a new DC holds the white stock brush";
    size_t live = plat::seam::live_objects();
    EXPECT_TRUE(DeleteObject(red));  // still selected: stays usable until deselected
    EXPECT_TRUE(PatBlt(c.dc(), 0, 0, 2, 2, PATCOPY));
    EXPECT_EQ(c.at(1, 1), RGB(255, 0, 0));
    EXPECT_EQ(SelectObject(c.dc(), first), red);
    if (!plat::seam::running_on_wine()) {  // Wine's GetGuiResources counts nothing
        EXPECT_EQ(plat::seam::live_objects(), live - 1);
    }
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH))) << "deleting a stock object is harmless";
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), DWORD(OBJ_BRUSH));
}

// A brush made, selected, used, put back and deleted per pixel goes round
// one slot; its handles must stay exact through everything else that can
// happen to that slot: a second deletion, other objects made, a deletion
// while selected, the table growing.
TEST(Layer, BrushesMadePerPixelKeepTheirHandlesExact) {
    Canvas c(8, 8), d(8, 8);
    EXPECT_FALSE(DeleteObject(nullptr));
    EXPECT_EQ(SelectObject(c.dc(), nullptr), nullptr);
    const size_t live = plat::seam::live_objects();
    HBRUSH made = CreateSolidBrush(RGB(1, 2, 3));
    HGDIOBJ old = SelectObject(c.dc(), made);
    ASSERT_TRUE(PatBlt(c.dc(), 0, 0, 2, 2, PATCOPY));
    EXPECT_EQ(SelectObject(c.dc(), old), made);
    ASSERT_TRUE(DeleteObject(made));
    EXPECT_EQ(c.at(1, 1), RGB(1, 2, 3));
    if (!plat::seam::running_on_wine()) {
        EXPECT_EQ(plat::seam::live_objects(), live) << "a freed slot is not live";
    }
    EXPECT_FALSE(DeleteObject(made)) << "deleted twice";
    EXPECT_EQ(SelectObject(c.dc(), made), nullptr);
    EXPECT_EQ(GetObjectType(made), 0u);
    // Another kind of object takes the freed slot first, then a brush.
    HDC other = CreateCompatibleDC(nullptr);
    HBRUSH next = CreateSolidBrush(RGB(4, 5, 6));
    EXPECT_NE(next, made);
    EXPECT_EQ(SelectObject(c.dc(), made), nullptr);
    EXPECT_EQ(GetObjectType(other), DWORD(OBJ_MEMDC));
    // Deleted while selected, the brush made last can be selected nowhere
    // else, and goes when it is put back.
    EXPECT_EQ(SelectObject(c.dc(), next), old);
    ASSERT_TRUE(DeleteObject(next));
    if (!plat::seam::running_on_wine()) {  // the layer refuses a brush waiting to be freed
        EXPECT_EQ(SelectObject(d.dc(), next), nullptr);
    }
    EXPECT_TRUE(PatBlt(c.dc(), 2, 2, 2, 2, PATCOPY));
    EXPECT_EQ(c.at(3, 3), RGB(4, 5, 6));
    EXPECT_EQ(SelectObject(c.dc(), old), next);
    EXPECT_EQ(GetObjectType(next), 0u);
    // The brush made last stays usable while the table grows under it.
    HBRUSH kept = CreateSolidBrush(RGB(7, 8, 9));
    std::vector<HDC> many(3000);
    for (HDC& h : many) h = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(d.dc(), kept), old);
    EXPECT_TRUE(PatBlt(d.dc(), 0, 0, 2, 2, PATCOPY));
    EXPECT_EQ(SelectObject(d.dc(), old), kept);
    EXPECT_EQ(d.at(0, 0), RGB(7, 8, 9));
    EXPECT_TRUE(DeleteObject(kept));
    EXPECT_FALSE(DeleteObject(kept));
    for (HDC h : many) DeleteDC(h);
    DeleteDC(other);
    if (!plat::seam::running_on_wine()) {
        EXPECT_EQ(plat::seam::live_objects(), live);
    }
}

// A brush selected into two DCs and deleted paints in both until the last
// lets it go; each DC paints with the brush it holds, whichever was selected
// or put back last.
TEST(Layer, ABrushDeletedWhileInTwoDCsLastsUntilBothLetGo) {
    Canvas a(8, 8), b(8, 8);
    const size_t before = plat::seam::live_objects();
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    HGDIOBJ old_a = SelectObject(a.dc(), green), old_b = SelectObject(b.dc(), green);
    EXPECT_TRUE(DeleteObject(green));
    EXPECT_TRUE(PatBlt(a.dc(), 0, 0, 2, 2, PATCOPY));
    EXPECT_EQ(SelectObject(a.dc(), old_a), green);
    EXPECT_TRUE(PatBlt(a.dc(), 2, 2, 2, 2, PATCOPY));
    EXPECT_TRUE(PatBlt(b.dc(), 4, 4, 2, 2, PATCOPY)) << "still selected into the second DC";
    EXPECT_EQ(a.at(1, 1), RGB(0, 255, 0));
    EXPECT_EQ(a.at(3, 3), RGB(255, 255, 255)) << "the white stock brush, put back";
    EXPECT_EQ(b.at(5, 5), RGB(0, 255, 0));
    if (!plat::seam::running_on_wine()) EXPECT_EQ(plat::seam::live_objects(), before + 1);
    EXPECT_EQ(SelectObject(b.dc(), GetStockObject(BLACK_BRUSH)), green);
    EXPECT_TRUE(PatBlt(b.dc(), 6, 6, 2, 2, PATCOPY));
    EXPECT_EQ(b.at(7, 7), RGB(0, 0, 0));
    if (!plat::seam::running_on_wine()) EXPECT_EQ(plat::seam::live_objects(), before) << "freed with the last";
    SelectObject(b.dc(), old_b);
}

TEST(Layer, MemoryDCsStartWithAMonochromePixel) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(GetCurrentObject(dc, OBJ_BITMAP), sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 1);
    EXPECT_EQ(bm.bmHeight, 1);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    HBITMAP mono = CreateCompatibleBitmap(dc, 4, 4);  // compatible with that pixel: monochrome too
    GetObjectA(mono, sizeof bm, &bm);
    EXPECT_EQ(bm.bmBitsPixel, 1);
    DeleteObject(mono);
    DeleteDC(dc);
    HBITMAP flipped = CreateCompatibleBitmap(GetDC(nullptr), -3, 5);  // a negative size counts by its magnitude
    ASSERT_TRUE(flipped);
    GetObjectA(flipped, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 3);
    DeleteObject(flipped);
    EXPECT_EQ(CreateCompatibleBitmap(GetDC(nullptr), 100000, 100000), nullptr) << "past the size bound";
}

TEST(Layer, PixelsAtAndPastTheEdges) {
    Canvas c(10, 5, 0x000000);
    const struct { int x, y; bool inside; } cases[] = {
        {0, 0, true}, {9, 4, true}, {10, 0, false}, {0, 5, false}, {-1, 0, false}, {INT_MIN, INT_MAX, false},
    };
    for (const auto& p : cases) {
        COLORREF set = SetPixel(c.dc(), p.x, p.y, RGB(1, 2, 3));
        // SetPixel fails outside the clipping region, Microsoft documents;
        // Wine reports the colour as set there as well.
        if (p.inside || !plat::seam::running_on_wine()) {
            EXPECT_EQ(set, p.inside ? RGB(1, 2, 3) : CLR_INVALID) << p.x << "," << p.y;
        }
        EXPECT_EQ(GetPixel(c.dc(), p.x, p.y), p.inside ? RGB(1, 2, 3) : CLR_INVALID);
    }
    EXPECT_TRUE(PatBlt(c.dc(), INT_MAX, INT_MAX, INT_MAX, INT_MAX, BLACKNESS));
    EXPECT_TRUE(PatBlt(c.dc(), 10, 5, -20, -20, WHITENESS)) << "negative sizes reach up and left";
    EXPECT_EQ(c.at(0, 0), 0xFFFFFFu);
    EXPECT_EQ(c.at(9, 4), 0xFFFFFFu);
}

TEST(Layer, TextDefaultsToBlackOnWhiteOpaque) {
    Canvas c(40, 40, RGB(0x80, 0x80, 0x80));
    EXPECT_EQ(GetBkMode(c.dc()), OPAQUE);
    SIZE cell{};
    ASSERT_TRUE(GetTextExtentPoint32A(c.dc(), "W", 1, &cell));
    ASSERT_TRUE(TextOutA(c.dc(), 0, 0, "W", 1));
    int white = 0, black = 0, grey = 0;
    for (int y = 0; y < cell.cy; ++y)
        for (int x = 0; x < cell.cx; ++x) {
            COLORREF p = c.at(x, y);
            white += p == 0xFFFFFF;
            black += p == 0;
            grey += p == RGB(0x80, 0x80, 0x80);
        }
    EXPECT_GT(white, 0);
    EXPECT_GT(black, 0);
    EXPECT_EQ(grey, 0) << "the whole cell is painted";
    EXPECT_EQ(c.at(cell.cx, 0), RGB(0x80, 0x80, 0x80)) << "and nothing beyond it";
    EXPECT_EQ(c.at(0, cell.cy), RGB(0x80, 0x80, 0x80));
    EXPECT_TRUE(TextOutA(c.dc(), 0, 0, "", 0));
}

TEST(Layer, KeyStateAndClockSeams) {
    EXPECT_EQ(GetAsyncKeyState('K') & 0x8000, 0);
    {
        HeldKeys k({'K', VK_LSHIFT});
        EXPECT_NE(GetAsyncKeyState('K') & 0x8000, 0);
        EXPECT_NE(GetAsyncKeyState(VK_SHIFT) & 0x8000, 0) << "either Shift makes VK_SHIFT down";
    }
    EXPECT_EQ(GetAsyncKeyState('K') & 0x8000, 0);
    EXPECT_EQ(GetAsyncKeyState(0x1000), 0);
    set_clock(0xFFFFFFFFu);
    EXPECT_EQ(timeGetTime(), 0xFFFFFFFFu);
    plat::seam::release_clock();
    DWORD t0 = timeGetTime();
    Sleep(20);
    EXPECT_GE(timeGetTime() - t0, 19u) << "Sleep waits at least as long as asked";
}

}  // namespace
