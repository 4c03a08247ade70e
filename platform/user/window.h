// Windows as the layer keeps them: class, styles, title, outer rectangle,
// client surface and update region. The native window is the backend's.
#pragma once

#include "backend/backend.h"
#include "gdi/objects.h"

#include <string>
#include <vector>

namespace plat {
namespace backend { struct Native; }

struct WindowClass {
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    HBRUSH background = nullptr;
    HCURSOR cursor = nullptr;
};

struct Window {
    HWND handle = nullptr;
    WindowClass cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exstyle = 0;
    std::string title;       // code page 932, as given
    RECT outer{};            // screen coordinates, frame included
    Surface surface;         // the client area
    backend::SurfaceHandoff handoff{&surface};  // the client area as the backend shows it
    std::vector<HDC> dcs;    // window DCs handed out and not yet released
    bool has_update = false; // the update region, kept as one rectangle
    bool erase = false;
    RECT update{};
    bool enabled = true;
    bool destroyed = false;
    HWND owner = nullptr;
    backend::Native* native = nullptr;
};

// ---- window.cpp
Window* window_from(HWND h);
LRESULT call_proc(Window* w, UINT msg, WPARAM wp, LPARAM lp);
void invalidate_all(Window* w, bool erase);
// The erase that the next paint would begin with, done now: WM_ERASEBKGND
// for the pending update of a visible window, which stays to be painted.
void erase_now(Window* w);
std::vector<Window*>& all_windows();
bool decorated_style(DWORD style);

// ---- placement.cpp
// The frame around a window of that style.
backend::Extents extents_of(DWORD style);
// A client side as the layer backs it with a surface: 0 to 8192 pixels.
int clamp_side(int64_t v);
// Cuts r down to the window's maximum tracking size: the screen plus the
// window's frame, as DefWindowProc's default WM_GETMINMAXINFO gives it.
void clamp_to_max_track(RECT& r, DWORD style);
// The user or the window manager moved or resized the window: the outer
// rectangle (and with a new size, the client surface) follows.
void follow_native_move(Window* w, int client_x, int client_y);
void follow_native_size(Window* w, int cw, int ch);

}  // namespace plat
