// Window classes and windows: creation with WM_NCCREATE and WM_CREATE sent
// from inside CreateWindowExA, destruction with WM_DESTROY sent from inside
// DestroyWindow, styles, titles, showing, the update region, the foreground
// window and window DCs. Where a window is and how large is placement.cpp's.
#include "user/window.h"

#include "backend/backend.h"
#include "common/clamp.h"
#include "common/out_of_memory.h"
#include "gdi/cp932.h"
#include "gdi/dc.h"

#include <layer_seams.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <strings.h>

namespace plat {

namespace {

// The registries live until the process ends and are never destroyed: the
// presenter thread may still be reading a window's surface while a program
// that returns from main runs its static destructors.
std::vector<WindowClass>& classes() {
    static auto* c = new std::vector<WindowClass>;
    return *c;
}

std::vector<std::unique_ptr<Window>>& owned() {
    static auto* w = new std::vector<std::unique_ptr<Window>>;
    return *w;
}

const WindowClass* find_class(LPCSTR name) {
    if (!name) return nullptr;
    for (auto& c : classes())
        if (strcasecmp(c.name.c_str(), name) == 0) return &c;
    return nullptr;
}

// Top-level windows always clip their siblings, whatever style they are given.
DWORD top_level_style(DWORD style) { return (style & WS_CHILD) ? style : style | WS_CLIPSIBLINGS; }

}  // namespace

bool decorated_style(DWORD style) { return !(style & WS_POPUP) || (style & WS_CAPTION) == WS_CAPTION; }

std::vector<Window*>& all_windows() {
    static auto* list = new std::vector<Window*>;
    return *list;
}

Window* window_from(HWND h) {
    Slot* s = handles().lookup(h, Kind::window);
    return s && !s->window->destroyed ? s->window : nullptr;
}

LRESULT call_proc(Window* w, UINT msg, WPARAM wp, LPARAM lp) {
    if (!w || !w->proc) return 0;
    return w->proc(w->handle, msg, wp, lp);
}

void invalidate_all(Window* w, bool erase) {
    w->has_update = true;
    w->update = RECT{0, 0, w->surface.width, w->surface.height};
    w->erase = w->erase || erase;
}

}  // namespace plat

using namespace plat;

void plat::seam::present_now(HWND h) {
    if (Window* w = window_from(h)) backend::current().present_sync(w->native);
}

extern "C" ATOM WINAPI RegisterClassA(const WNDCLASSA* wc) {
    if (!wc || !wc->lpszClassName || !wc->lpfnWndProc || find_class(wc->lpszClassName)) return 0;
    return or_fail<ATOM>(0, [&] {
        WindowClass c;
        c.name = wc->lpszClassName;
        c.style = wc->style;
        c.proc = wc->lpfnWndProc;
        c.instance = wc->hInstance;
        c.background = wc->hbrBackground;
        c.cursor = wc->hCursor;
        classes().push_back(c);
        return ATOM(0xC000 + classes().size());
    });
}

extern "C" HWND WINAPI CreateWindowExA(DWORD exstyle, LPCSTR class_name, LPCSTR title, DWORD style, int x, int y,
                                       int width, int height, HWND parent, HMENU, HINSTANCE instance, LPVOID param) {
    return or_fail<HWND>(nullptr, [&]() -> HWND {
        const WindowClass* cls = find_class(class_name);
        if (!cls) return nullptr;
        if (x == CW_USEDEFAULT) x = y = 64;
        if (width == CW_USEDEFAULT) width = 640, height = 480;
        auto owned_window = std::make_unique<Window>();
        Window* w = owned_window.get();
        w->cls = *cls;
        w->proc = cls->proc;
        w->style = style = top_level_style(style);
        w->exstyle = exstyle;
        w->title = title ? title : "";
        w->owner = parent;
        w->outer = RECT{x, y, clamp_int32(int64_t(x) + std::max(width, 0)),
                        clamp_int32(int64_t(y) + std::max(height, 0))};
        clamp_to_max_track(w->outer, style);
        width = int(int64_t(w->outer.right) - x);
        height = int(int64_t(w->outer.bottom) - y);
        backend::Extents e = extents_of(style);
        int cw = clamp_side(int64_t(width) - e.left - e.right);
        int ch = clamp_side(int64_t(height) - e.top - e.bottom);
        w->surface.resize(cw, ch);
        const std::string utf8 = cp932_to_utf8(w->title.c_str());
        // Room in the registries first: past this point nothing that can run
        // out of memory stands between the handle and a complete window.
        owned().reserve(owned().size() + 1);
        all_windows().reserve(all_windows().size() + 1);

        Slot* slot = nullptr;
        w->handle = static_cast<HWND>(handles().allocate(Kind::window, &slot));
        slot->window = w;
        owned().push_back(std::move(owned_window));
        all_windows().push_back(w);

        backend::WindowParams params;
        params.title_utf8 = utf8.c_str();
        params.x = x;
        params.y = y;
        params.client_w = cw;
        params.client_h = ch;
        params.decorated = decorated_style(style);
        params.resizable = (style & WS_THICKFRAME) != 0;
        params.topmost = (exstyle & WS_EX_TOPMOST) != 0;
        const backend::Backend& desktop = backend::current();
        try {
            w->native = desktop.create(w, params);
            if (Window* o = window_from(parent)) desktop.set_transient_for(w->native, o->native);
            desktop.present(w->native, &w->handoff);
        } catch (const std::bad_alloc&) {
            // No memory for the native window: the window lives on without one,
            // as it does where no desktop can make it.
            desktop.destroy(w->native);
            w->native = nullptr;
        }

        CREATESTRUCTA cs{param, instance, nullptr, parent, height, width, y, x, LONG(style), title, class_name, exstyle};
        HWND h = w->handle;
        if (!call_proc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
            call_proc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
            DestroyWindow(h);
            return nullptr;
        }
        if ((style & WS_VISIBLE) && window_from(h)) {
            desktop.show(w->native, true);
            invalidate_all(w, true);
        }
        return window_from(h) ? h : nullptr;
    });
}

extern "C" BOOL WINAPI DestroyWindow(HWND h) {
    Window* w = window_from(h);
    if (!w) return FALSE;
    // Owned windows go first, as on Windows. Each destruction changes the
    // list, so it is searched again from the start (and never copied: this
    // must work with no memory to spare).
    for (;;) {
        auto& list = all_windows();
        auto it = std::find_if(list.begin(), list.end(), [h](Window* o) { return o->owner == h; });
        if (it == list.end()) break;
        DestroyWindow((*it)->handle);
    }
    call_proc(w, WM_DESTROY, 0, 0);
    call_proc(w, WM_NCDESTROY, 0, 0);
    w->destroyed = true;
    for (HDC dc : w->dcs) free_dc(dc);
    w->dcs.clear();
    backend::current().destroy(w->native);
    w->native = nullptr;
    handles().release(h);
    auto& list = all_windows();
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    auto& o = owned();
    o.erase(std::remove_if(o.begin(), o.end(), [w](auto& p) { return p.get() == w; }), o.end());
    return TRUE;
}

extern "C" BOOL WINAPI IsWindow(HWND h) { return window_from(h) ? TRUE : FALSE; }

extern "C" BOOL WINAPI ShowWindow(HWND h, int cmd) {
    Window* w = window_from(h);
    if (!w) return FALSE;
    BOOL was = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    if (cmd == SW_HIDE) {
        w->style &= ~DWORD(WS_VISIBLE);
        backend::current().show(w->native, false);
    } else {
        w->style |= WS_VISIBLE;
        backend::current().show(w->native, true);
        if (!was) invalidate_all(w, true);
    }
    return was;
}

extern "C" BOOL WINAPI UpdateWindow(HWND h) {
    Window* w = window_from(h);
    if (!w) return FALSE;
    if (w->has_update && (w->style & WS_VISIBLE)) call_proc(w, WM_PAINT, 0, 0);
    return TRUE;
}

extern "C" BOOL WINAPI SetWindowTextA(HWND h, LPCSTR s) {
    Window* w = window_from(h);
    if (!w) return FALSE;
    return or_fail<BOOL>(FALSE, [&] {
        std::string title = s ? s : "";
        const std::string utf8 = cp932_to_utf8(title.c_str());
        w->title.swap(title);
        backend::current().set_title(w->native, utf8.c_str());
        return TRUE;
    });
}

extern "C" int WINAPI GetWindowTextA(HWND h, LPSTR s, int max) {
    Window* w = window_from(h);
    if (!w || !s || max <= 0) return 0;
    int n = std::min(int(w->title.size()), max - 1);
    std::memcpy(s, w->title.data(), size_t(n));
    s[n] = '\0';
    return n;
}

extern "C" LONG WINAPI SetWindowLongA(HWND h, int index, LONG value) {
    Window* w = window_from(h);
    if (!w) return 0;
    if (index == GWL_STYLE) {
        LONG old = LONG(w->style);
        w->style = top_level_style(DWORD(value));
        backend::current().set_frame(w->native, decorated_style(w->style), (w->style & WS_THICKFRAME) != 0);
        return old;
    }
    if (index == GWL_EXSTYLE) {
        LONG old = LONG(w->exstyle);
        w->exstyle = DWORD(value);
        backend::current().set_topmost(w->native, (w->exstyle & WS_EX_TOPMOST) != 0);
        return old;
    }
    return 0;
}

extern "C" LONG WINAPI GetWindowLongA(HWND h, int index) {
    Window* w = window_from(h);
    if (!w) return 0;
    if (index == GWL_STYLE) return LONG(w->style);
    if (index == GWL_EXSTYLE) return LONG(w->exstyle);
    return 0;
}

extern "C" BOOL WINAPI InvalidateRect(HWND h, const RECT* rc, BOOL erase) {
    Window* w = window_from(h);
    if (!w) return FALSE;
    if (!rc) {
        invalidate_all(w, erase != FALSE);
        return TRUE;
    }
    RECT r{std::max<LONG>(rc->left, 0), std::max<LONG>(rc->top, 0), std::min<LONG>(rc->right, w->surface.width),
           std::min<LONG>(rc->bottom, w->surface.height)};
    if (r.left >= r.right || r.top >= r.bottom) return TRUE;
    if (w->has_update) {
        r.left = std::min(r.left, w->update.left);
        r.top = std::min(r.top, w->update.top);
        r.right = std::max(r.right, w->update.right);
        r.bottom = std::max(r.bottom, w->update.bottom);
    }
    w->update = r;
    w->has_update = true;
    w->erase = w->erase || erase;
    return TRUE;
}

extern "C" BOOL WINAPI SetForegroundWindow(HWND h) {
    Window* w = window_from(h);
    if (!w) return FALSE;
    backend::current().activate(w->native);
    return TRUE;
}

extern "C" HDC WINAPI GetDC(HWND h) {
    return or_fail<HDC>(nullptr, [h]() -> HDC {
        if (!h) return make_window_dc(nullptr, nullptr);  // the screen: nothing to draw on here
        Window* w = window_from(h);
        if (!w) return nullptr;
        w->dcs.reserve(w->dcs.size() + 1);
        HDC dc = make_window_dc(w, &w->surface);
        w->dcs.push_back(dc);
        return dc;
    });
}

extern "C" int WINAPI ReleaseDC(HWND h, HDC dc) {
    Window* w = window_from(h);
    if (!w) {
        DC* d = dc_from(dc);
        if (!h && d && !d->window && !d->memory) {
            free_dc(dc);
            return 1;
        }
        return 0;
    }
    auto it = std::find(w->dcs.begin(), w->dcs.end(), dc);
    if (it == w->dcs.end()) return 0;
    w->dcs.erase(it);
    free_dc(dc);
    return 1;
}
