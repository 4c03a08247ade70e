// The screen a headless run has: 1024 x 768 with no window manager (so no
// frame), the display modes of a monitor of that size, and no cursor to show.
#include "backend/headless/headless.h"

namespace plat::backend::headless {

namespace {

constexpr int kScreenW = 1024, kScreenH = 768;

struct Mode { int w, h; };
constexpr Mode kModes[] = {{640, 400}, {640, 480}, {800, 600}, {1024, 768}};

}  // namespace

Extents frame_extents(bool, bool) { return {}; }

bool mode_available(int w, int h) {
    for (const Mode& m : kModes)
        if (m.w == w && m.h == h) return true;
    return false;
}

bool enter_fullscreen(Native* n, int w, int h) {
    HWindow* win = hwin(n);
    if (!win || !mode_available(w, h)) return false;
    win->x = 0;
    win->y = 0;
    return true;
}

// The layer places every window again after leaving full screen; there is
// no display mode of the screen's own to return to.
void leave_fullscreen() {}

void screen_size(int* w, int* h) {
    *w = kScreenW;
    *h = kScreenH;
}

void show_cursor(bool) {}

}  // namespace plat::backend::headless
