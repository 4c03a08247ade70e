// Windows: SDL windows, placed by their outer frame through Xlib, and titled
// in both the properties that name a window on X11 (_NET_WM_NAME, which SDL
// sets, and WM_NAME, which older tools and window managers read).
#include "backend/x11/x11.h"

#include <SDL2/SDL_syswm.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace plat::backend::x11 {

namespace {

// A window manager carries out a placement some time after the request.
constexpr auto kSettle = std::chrono::milliseconds(1000);

// SDL stores the UTF-8 bytes in WM_NAME labelled as Latin-1; WM_NAME gets the
// title in an encoding that says what it is.
void set_wm_name(XWindow* w, const char* utf8) {
    XTextProperty tp{};
    char* list[] = {const_cast<char*>(utf8)};
    if (Xutf8TextListToTextProperty(w->dpy, list, 1, XStdICCTextStyle, &tp) != Success) return;
    XSetWMName(w->dpy, w->xid, &tp);
    XFree(tp.value);
    XFlush(w->dpy);
}

}  // namespace

std::vector<XWindow*>& windows() {
    static std::vector<XWindow*> list;
    return list;
}

Native* create(Window* owner, const WindowParams& params) {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (params.resizable && params.decorated) flags |= SDL_WINDOW_RESIZABLE;
    if (!params.decorated) flags |= SDL_WINDOW_BORDERLESS;
    if (params.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    const int cw = std::max(1, params.client_w), ch = std::max(1, params.client_h);
    SDL_Window* sdl = SDL_CreateWindow(params.title_utf8, params.x, params.y, cw, ch, flags);
    if (!sdl) return nullptr;
    auto* w = new XWindow;
    w->owner = owner;
    w->sdl = sdl;
    w->decorated = params.decorated;
    w->resizable = params.resizable;
    SDL_SetWindowData(sdl, "plat", w);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (g_x11 && SDL_GetWindowWMInfo(sdl, &info) && info.subsystem == SDL_SYSWM_X11) {
        w->dpy = info.info.x11.display;
        w->xid = info.info.x11.window;
        set_wm_name(w, params.title_utf8);
    }
    windows().push_back(w);
    return w;
}

void destroy(Native* n) {
    XWindow* w = xwin(n);
    if (!w) return;
    if (w->fullscreen) leave_fullscreen();
    stop_presenting(w);
    auto& list = windows();
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    SDL_DestroyWindow(w->sdl);
    delete w;
}

void set_title(Native* n, const char* utf8) {
    XWindow* w = xwin(n);
    if (!w) return;
    SDL_SetWindowTitle(w->sdl, utf8);
    if (w->dpy) set_wm_name(w, utf8);
}

void set_frame(Native* n, bool decorated, bool resizable) {
    XWindow* w = xwin(n);
    if (!w) return;
    w->decorated = decorated;
    w->resizable = resizable;
    SDL_SetWindowBordered(w->sdl, decorated ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(w->sdl, decorated && resizable ? SDL_TRUE : SDL_FALSE);
}

void set_topmost(Native* n, bool topmost) {
    if (XWindow* w = xwin(n)) SDL_SetWindowAlwaysOnTop(w->sdl, topmost ? SDL_TRUE : SDL_FALSE);
}

void set_transient_for(Native* n, Native* owner) {
    if (n && owner) SDL_SetWindowModalFor(xwin(n)->sdl, xwin(owner)->sdl);
}

void move_resize(Native* n, int x, int y, int client_w, int client_h) {
    XWindow* w = xwin(n);
    if (!w || w->fullscreen) return;
    client_w = std::max(1, client_w);
    client_h = std::max(1, client_h);
    w->settle_until = Clock::now() + kSettle;
    // SDL keeps its size hints in step; the position goes to X directly,
    // where a window manager with the default north-west gravity puts the
    // frame's corner at (x, y). SDL's own call would place the client area.
    SDL_SetWindowSize(w->sdl, client_w, client_h);
    if (w->dpy) {
        XMoveResizeWindow(w->dpy, w->xid, x, y, unsigned(client_w), unsigned(client_h));
        XFlush(w->dpy);
    } else {
        SDL_SetWindowPosition(w->sdl, x, y);
    }
}

void show(Native* n, bool visible) {
    XWindow* w = xwin(n);
    if (!w) return;
    if (!visible) return SDL_HideWindow(w->sdl);
    if (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN) return;
    w->settle_until = Clock::now() + kSettle;
    SDL_ShowWindow(w->sdl);
    learn_extents(w);
}

void activate(Native* n) {
    if (XWindow* w = xwin(n)) SDL_RaiseWindow(w->sdl);
}

}  // namespace plat::backend::x11
