#include "support.h"

#include "runtime.h"

#include <layer_seams.h>

#include <string>

namespace {
// Read during static initialisation, before any test runs; titlebar itself is
// constant-initialised.
const std::string g_initial_title = titlebar;
}  // namespace

const char* initial_title() { return g_initial_title.c_str(); }

HWND runtime_window() {
    static HWND w = [] {
        qx_create_window(GetModuleHandleA(nullptr));
        qx_setscreen(screenx, screeny, screenwidth, screenheight, bai, titlebar);
        gvram = GetDC(qx_window);
        return qx_window;
    }();
    return w;
}

Canvas::Canvas(int w, int h, COLORREF fill) : w_(w), h_(h) {
    HDC screen = GetDC(nullptr);
    dc_ = CreateCompatibleDC(screen);
    bmp_ = CreateCompatibleBitmap(screen, w, h);
    ReleaseDC(nullptr, screen);
    old_ = SelectObject(dc_, bmp_);
    HBRUSH b = CreateSolidBrush(fill);
    HGDIOBJ ob = SelectObject(dc_, b);
    PatBlt(dc_, 0, 0, w, h, PATCOPY);
    SelectObject(dc_, ob);
    DeleteObject(b);
}

Canvas::~Canvas() {
    SelectObject(dc_, old_);
    DeleteObject(bmp_);
    DeleteDC(dc_);
}

HeldKeys::HeldKeys(std::initializer_list<int> vks) {
    for (int vk : vks) plat::seam::press_key(vk, true);
}

HeldKeys::~HeldKeys() { plat::seam::release_all_keys(); }

void set_clock(DWORD ms) { plat::seam::set_clock(ms); }

void reset_screen_state(int mode) {
    screenx = screeny = 0;
    screenwidth = 320;
    screenheight = 200;
    bai = mode;
}
