// qx_setscreen: stored state, the window's client size and outer placement,
// full-screen requests the display cannot take, and the title.
#include "support.h"

#include "runtime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

namespace {

struct Placement {
    RECT outer, client;
    LONG style;
};

// The style as the runtime sets it: top-level windows carry WS_CLIPSIBLINGS
// whatever they are given.
Placement placement(HWND w) {
    Placement p{};
    GetWindowRect(w, &p.outer);
    GetClientRect(w, &p.client);
    p.style = GetWindowLongA(w, GWL_STYLE) & ~LONG(WS_CLIPSIBLINGS);
    return p;
}

std::string title_of(HWND w) {
    char buf[256] = {};
    GetWindowTextA(w, buf, sizeof buf);
    return buf;
}

TEST(Screen, ModesStoreSizesAndPlaceTheWindow) {
    HWND w = runtime_window();
    const struct { int mode, stored_w, stored_h; } cases[] = {
        {0, 320, 240}, {1, 640, 480}, {7, 320, 240}, {-1, 320, 240},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mode);
        qx_setscreen(100, 50, 320, 240, c.mode, "モード");
        EXPECT_EQ(bai, c.mode);
        EXPECT_EQ(screenx, 100);
        EXPECT_EQ(screeny, 50);
        EXPECT_EQ(screenwidth, c.stored_w);
        EXPECT_EQ(screenheight, c.stored_h);
        Placement p = placement(w);
        EXPECT_EQ(p.client.right, c.stored_w);
        EXPECT_EQ(p.client.bottom, c.stored_h);
        // The frame's corner, not the client's, is at (screenx, screeny).
        EXPECT_EQ(p.outer.left, 100);
        EXPECT_EQ(p.outer.top, 50);
        RECT frame{0, 0, c.stored_w, c.stored_h};
        AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
        EXPECT_EQ(p.outer.right - p.outer.left, frame.right - frame.left);
        EXPECT_EQ(p.outer.bottom - p.outer.top, frame.bottom - frame.top);
        EXPECT_EQ(p.style, LONG(WS_OVERLAPPEDWINDOW | WS_VISIBLE));
        EXPECT_EQ(title_of(w), "モード");
    }
}

TEST(Screen, DefaultsGiveA640By400ClientAtTheCorner) {
    HWND w = runtime_window();
    reset_screen_state(1);
    EXPECT_STREQ(initial_title(), "タイトルです");
    qx_setscreen(screenx, screeny, screenwidth, screenheight, bai, initial_title());
    Placement p = placement(w);
    EXPECT_EQ(p.client.right, 640);
    EXPECT_EQ(p.client.bottom, 400);
    EXPECT_EQ(p.outer.left, 0);
    EXPECT_EQ(p.outer.top, 0);
    EXPECT_EQ(title_of(w), "タイトルです");
    EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
    // Passing the stored, already doubled size back in mode 1 doubles it again.
    qx_setscreen(0, 0, screenwidth, screenheight, 1, titlebar);
    EXPECT_EQ(screenwidth, 1280);
    EXPECT_EQ(screenheight, 800);
    // The window itself grows only up to its maximum tracking size.
    LONG client_w = placement(w).client.right;
    EXPECT_LE(client_w, 1280);
    EXPECT_GE(client_w, std::min(1280, GetSystemMetrics(SM_CXSCREEN)));
}

TEST(Screen, FullScreenSizeTheDisplayLacksChangesOnlyTitleAndState) {
    HWND w = runtime_window();
    qx_setscreen(100, 50, 320, 240, 0, "before");
    Placement before = placement(w);
    qx_setscreen(5, 6, 123, 45, 2, "after");
    EXPECT_EQ(bai, 2);
    EXPECT_EQ(screenx, 5);
    EXPECT_EQ(screenwidth, 123);
    EXPECT_EQ(screenheight, 45);
    EXPECT_EQ(title_of(w), "after");
    Placement now = placement(w);
    EXPECT_EQ(std::memcmp(&before, &now, sizeof now), 0) << "style, place and size stay as they were";
}

TEST(Screen, FullScreenAtTheDesktopSize) {
    HWND w = runtime_window();
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    dm.dmPelsWidth = DWORD(sw);
    dm.dmPelsHeight = DWORD(sh);
    if (ChangeDisplaySettingsA(&dm, CDS_TEST) != DISP_CHANGE_SUCCESSFUL) GTEST_SKIP() << "no display modes here";
    qx_setscreen(0, 0, sw, sh, 2, "full");
    Placement p = placement(w);
    EXPECT_EQ(p.style, LONG(WS_POPUP | WS_VISIBLE));
    EXPECT_EQ(p.outer.left, 0);
    EXPECT_EQ(p.outer.right, sw);
    EXPECT_EQ(p.client.right, sw);
    EXPECT_EQ(p.client.bottom, sh);
    reset_screen_state(1);
    qx_setscreen(0, 0, 320, 200, 1, "back");
    EXPECT_EQ(placement(w).style, LONG(WS_OVERLAPPEDWINDOW | WS_VISIBLE));
    EXPECT_EQ(placement(w).client.right, 640);
}

LRESULT CALLBACK plain_proc(HWND h, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(h, m, wp, lp); }

TEST(Screen, ActsOnTheRuntimesWindowWhateverIsInFront) {
    HWND w = runtime_window();
    WNDCLASSA wc{};
    wc.lpfnWndProc = plain_proc;
    wc.lpszClassName = "OtherApp";
    RegisterClassA(&wc);
    HWND other = CreateWindowExA(WS_EX_TOPMOST, "OtherApp", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 300, 300, 200,
                                 150, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(other);
    SetForegroundWindow(other);
    Placement other_before = placement(other);
    qx_setscreen(30, 40, 200, 100, 0, "runtime");
    EXPECT_EQ(title_of(w), "runtime");
    EXPECT_EQ(placement(w).outer.left, 30);
    EXPECT_EQ(placement(w).client.right, 200);
    EXPECT_EQ(title_of(other), "other");
    Placement other_after = placement(other);
    EXPECT_EQ(std::memcmp(&other_before, &other_after, sizeof other_after), 0);
    DestroyWindow(other);
}

TEST(Screen, LongTitlesAreCutOnACharacterBoundary) {
    HWND w = runtime_window();
    const std::string a99(99, 'a');
    const struct { std::string given, kept; } cases[] = {
        {std::string(150, 'x'), std::string(100, 'x')},
        {a99 + "b", a99 + "b"},
        {a99 + "あ", a99},  // the double-byte character would end at byte 101
        {std::string(98, 'a') + "あい", std::string(98, 'a') + "あ"},
        {"", ""},
    };
    for (const auto& c : cases) {
        qx_setscreen(0, 0, 320, 200, 0, c.given.c_str());
        EXPECT_EQ(std::string(titlebar), c.kept) << c.given.size();
        EXPECT_EQ(title_of(w), c.kept);
    }
}

TEST(Screen, HugeSizesDoNotOverflow) {
    HWND w = runtime_window();
    qx_setscreen(INT_MAX, INT_MIN, INT_MAX, INT_MAX, 1, "huge");
    EXPECT_EQ(screenwidth, INT_MAX);  // doubling holds at the int range
    RECT r;
    EXPECT_TRUE(GetClientRect(w, &r));
    reset_screen_state(1);
    qx_setscreen(0, 0, 320, 200, 1, "back");
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 640);
}

}  // namespace
