// Display modes: SDL's list of the first display's modes, a temporary switch
// of a borderless window to full screen in one of them, and the way back.
#include "backend/x11/x11.h"

namespace plat::backend::x11 {

namespace {

bool find_mode(int w, int h, SDL_DisplayMode* out) {
    for (int i = 0, count = SDL_GetNumDisplayModes(0); i < count; ++i)
        if (SDL_GetDisplayMode(0, i, out) == 0 && out->w == w && out->h == h) return true;
    return false;
}

}  // namespace

bool mode_available(int w, int h) {
    SDL_DisplayMode m;
    return find_mode(w, h, &m);
}

bool enter_fullscreen(Native* n, int w, int h) {
    XWindow* win = xwin(n);
    SDL_DisplayMode m;
    if (!win || !find_mode(w, h, &m)) return false;
    if (SDL_SetWindowDisplayMode(win->sdl, &m) != 0) return false;
    if (SDL_SetWindowFullscreen(win->sdl, SDL_WINDOW_FULLSCREEN) != 0) return false;
    win->fullscreen = true;
    return true;
}

void leave_fullscreen() {
    for (XWindow* w : windows()) {
        if (!w->fullscreen) continue;
        w->fullscreen = false;
        SDL_SetWindowFullscreen(w->sdl, 0);
    }
}

void screen_size(int* w, int* h) {
    SDL_DisplayMode m{};
    if (SDL_GetDesktopDisplayMode(0, &m) == 0) {
        *w = m.w;
        *h = m.h;
    } else {
        *w = 640;
        *h = 480;
    }
}

}  // namespace plat::backend::x11
