// Where windows are and how large: the outer frame placed by the program
// (SetWindowPos, within the window's maximum tracking size) and followed
// when the user or the window manager moves or resizes it, the client area
// that the frame leaves, and the rectangles a program reads back.
#include "user/window.h"

#include "common/clamp.h"
#include "common/out_of_memory.h"
#include "user/display.h"

#include <algorithm>
#include <cstring>

namespace plat {

namespace {

// The largest client area the layer backs with a surface, 256 MiB of pixels.
// Windows likewise caps a window's size at its maximum tracking size.
constexpr int kMaxClientSide = 8192;

// Gives the client surface a new size. Pixels that stay inside keep their
// colour, as the window's old image would on screen until repainted.
void resize_client(Window* w, int cw, int ch) {
    cw = clamp_side(cw);
    ch = clamp_side(ch);
    Surface& s = w->surface;
    if (cw == s.width && ch == s.height) return;
    // The new pixels are made before anything changes: short of memory, the
    // window keeps its old surface (and the caller fails).
    std::vector<uint32_t> fresh(size_t(cw) * size_t(ch), 0);
    const int keep_w = std::min(s.width, cw);
    for (int y = 0; keep_w > 0 && y < std::min(s.height, ch); ++y)
        std::memcpy(fresh.data() + size_t(y) * cw, s.bits + size_t(y) * s.stride, size_t(keep_w) * 4);
    std::lock_guard<std::mutex> g(w->handoff.lock);
    s.storage.swap(fresh);
    s.width = s.stride = cw;
    s.height = ch;
    s.bits = s.storage.data();
    s.forget_ground();
}

}  // namespace

int clamp_side(int64_t v) { return int(std::clamp<int64_t>(v, 0, kMaxClientSide)); }

backend::Extents extents_of(DWORD style) {
    return backend::current().frame_extents(decorated_style(style), (style & WS_THICKFRAME) != 0);
}

void clamp_to_max_track(RECT& r, DWORD style) {
    int sw = 0, sh = 0;
    backend::current().screen_size(&sw, &sh);
    backend::Extents e = extents_of(style);
    int64_t max_w = int64_t(sw) + e.left + e.right, max_h = int64_t(sh) + e.top + e.bottom;
    if (int64_t(r.right) - r.left > max_w) r.right = LONG(r.left + max_w);
    if (int64_t(r.bottom) - r.top > max_h) r.bottom = LONG(r.top + max_h);
}

void follow_native_move(Window* w, int client_x, int client_y) {
    backend::Extents e = extents_of(w->style);
    const int64_t dx = int64_t(client_x) - e.left - w->outer.left, dy = int64_t(client_y) - e.top - w->outer.top;
    w->outer = RECT{LONG(w->outer.left + dx), LONG(w->outer.top + dy), LONG(w->outer.right + dx),
                    LONG(w->outer.bottom + dy)};
}

void follow_native_size(Window* w, int cw, int ch) {
    const int ow = w->surface.width, oh = w->surface.height;
    if (cw == ow && ch == oh) return;
    resize_client(w, cw, ch);
    w->outer.right += cw - ow;
    w->outer.bottom += ch - oh;
    if (w->cls.style & (CS_HREDRAW | CS_VREDRAW)) invalidate_all(w, true);
}

}  // namespace plat

using namespace plat;

extern "C" BOOL WINAPI AdjustWindowRect(LPRECT r, DWORD style, BOOL) {
    if (!r) return FALSE;
    backend::Extents e = extents_of(style);
    r->left = clamp_int32(int64_t(r->left) - e.left);
    r->top = clamp_int32(int64_t(r->top) - e.top);
    r->right = clamp_int32(int64_t(r->right) + e.right);
    r->bottom = clamp_int32(int64_t(r->bottom) + e.bottom);
    return TRUE;
}

namespace {

// SetWindowPos, with the window found.
BOOL place(Window* w, HWND after, int x, int y, int cx, int cy, UINT flags) {
    if (!(flags & SWP_NOZORDER)) {
        if (after == HWND_TOPMOST) w->exstyle |= WS_EX_TOPMOST;
        if (after == HWND_NOTOPMOST) w->exstyle &= ~DWORD(WS_EX_TOPMOST);
        if (after == HWND_TOPMOST || after == HWND_NOTOPMOST)
            backend::current().set_topmost(w->native, after == HWND_TOPMOST);
    }
    RECT r = w->outer;
    if (!(flags & SWP_NOMOVE)) {
        r.right = LONG(int64_t(r.right) - r.left + x);
        r.bottom = LONG(int64_t(r.bottom) - r.top + y);
        r.left = x;
        r.top = y;
    }
    if (!(flags & SWP_NOSIZE)) {
        r.right = clamp_int32(int64_t(r.left) + std::max(cx, 0));
        r.bottom = clamp_int32(int64_t(r.top) + std::max(cy, 0));
    }
    if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
    clamp_to_max_track(r, w->style);
    backend::Extents e = extents_of(w->style);
    int cw = clamp_side(int64_t(r.right) - r.left - e.left - e.right);
    int ch = clamp_side(int64_t(r.bottom) - r.top - e.top - e.bottom);
    bool resized = cw != w->surface.width || ch != w->surface.height;
    const bool moved = r.left != w->outer.left || r.top != w->outer.top;
    resize_client(w, cw, ch);
    w->outer = r;
    if (!take_fullscreen(w)) backend::current().move_resize(w->native, r.left, r.top, cw, ch);
    if (flags & SWP_SHOWWINDOW) backend::current().show(w->native, true);
    if (resized && (w->cls.style & (CS_HREDRAW | CS_VREDRAW))) invalidate_all(w, true);
    // As with Wine, whose SetWindowPos erases the window it moves, resizes or
    // shows unless told SWP_DEFERERASE, the erase happens here, not at the
    // next paint: what the program draws from now on stays.
    if (!(flags & SWP_DEFERERASE) && (moved || resized || (flags & SWP_SHOWWINDOW))) erase_now(w);
    return TRUE;
}

}  // namespace

extern "C" BOOL WINAPI SetWindowPos(HWND h, HWND after, int x, int y, int cx, int cy, UINT flags) {
    Window* w = window_from(h);
    if (!w) return FALSE;
    return or_fail<BOOL>(FALSE, [&] { return place(w, after, x, y, cx, cy, flags); });
}

extern "C" BOOL WINAPI GetWindowRect(HWND h, LPRECT r) {
    Window* w = window_from(h);
    if (!w || !r) return FALSE;
    *r = w->outer;
    return TRUE;
}

extern "C" BOOL WINAPI GetClientRect(HWND h, LPRECT r) {
    Window* w = window_from(h);
    if (!w || !r) return FALSE;
    *r = RECT{0, 0, w->surface.width, w->surface.height};
    return TRUE;
}
