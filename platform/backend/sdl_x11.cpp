// The desktop backend: SDL2 for windows, events, display modes and the cursor;
// Xlib, where SDL runs on X11, for what SDL does not give a Win32 program:
// outer-frame placement, the window manager's frame extents, a global
// keyboard state that needs no event pumping, and a presenter thread that puts
// window surfaces on screen whether or not the program pumps messages.
#include "backend/backend.h"

#include "gdi/objects.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace plat::backend {

struct Native {
    SDL_Window* sdl = nullptr;
    Window* owner = nullptr;
    ::Window xid = 0;
    Display* dpy = nullptr;  // SDL's connection, main thread only
    bool decorated = true;
    bool resizable = true;
    bool fullscreen = false;
    std::mutex lock;         // guards the surface against reallocation while presented
    Surface* surface = nullptr;
    GC gc = nullptr;         // on the presenter's connection
    std::atomic<bool> exposed{false};
    // Size reports that arrive while the window manager is still carrying
    // out the program's own placement describe an older size: ignored.
    std::chrono::steady_clock::time_point settle_until{};
};

namespace {

using Clock = std::chrono::steady_clock;

bool g_available = false;
bool g_x11 = false;
Display* g_keys_dpy = nullptr;  // main thread: key state and window-manager queries
// The frame the window manager gives each kind of decorated window:
// [0] fixed size, [1] resizable (often a thicker edge for the grip).
bool g_have_extents[2] = {false, false};
Extents g_extents[2];
std::vector<Native*> g_windows;

// A request that names a window gone a moment earlier (a race any X client
// can lose) must not end the program, as Xlib's default handler would.
int ignore_x_error(Display* d, XErrorEvent* e) {
    if (e->error_code != BadWindow && e->error_code != BadDrawable) {
        char text[128];
        XGetErrorText(d, e->error_code, text, sizeof text);
        std::fprintf(stderr, "X error: %s (request %d)\n", text, e->request_code);
    }
    return 0;
}

bool init() {
    static bool done = false;
    if (done) return g_available;
    done = true;
    XInitThreads();
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Interrupt and terminate signals keep their default action: they end the
    // program, as they would any other.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    SDL_StopTextInput();
    g_available = true;
    const char* driver = SDL_GetCurrentVideoDriver();
    g_x11 = driver && std::strcmp(driver, "x11") == 0;
    if (g_x11) {
        g_keys_dpy = XOpenDisplay(nullptr);
        XSetErrorHandler(ignore_x_error);
    }
    return true;
}

Atom atom(Display* d, const char* name) { return XInternAtom(d, name, False); }

bool wm_running(Display* d) {
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = nullptr;
    bool found = XGetWindowProperty(d, DefaultRootWindow(d), atom(d, "_NET_SUPPORTING_WM_CHECK"), 0, 1,
                                    False, XA_WINDOW, &type, &format, &n, &after, &data) == Success &&
                 n == 1;
    if (data) XFree(data);
    return found;
}

// _NET_FRAME_EXTENTS of a window: left, right, top, bottom.
bool read_extents(Display* d, ::Window w, Extents* e) {
    Atom type;
    int format;
    unsigned long n = 0, after;
    unsigned char* data = nullptr;
    bool ok = XGetWindowProperty(d, w, atom(d, "_NET_FRAME_EXTENTS"), 0, 4, False, XA_CARDINAL, &type,
                                 &format, &n, &after, &data) == Success &&
              n == 4 && format == 32;
    if (ok) {
        auto* v = reinterpret_cast<long*>(data);
        *e = Extents{int(v[0]), int(v[2]), int(v[1]), int(v[3])};
    }
    if (data) XFree(data);
    return ok;
}

bool wait_extents(Display* d, ::Window w, bool resizable, int timeout_ms) {
    auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
    Extents e;
    while (Clock::now() < until) {
        if (read_extents(d, w, &e)) {
            g_extents[resizable] = e;
            g_have_extents[resizable] = true;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// Asks the window manager what frame it would give a new decorated window,
// before any exists, through an unmapped probe window.
void probe_extents(bool resizable) {
    Display* d = g_keys_dpy;
    if (!d || !wm_running(d)) {
        g_have_extents[0] = g_have_extents[1] = true;  // no window manager, no frame
        return;
    }
    ::Window w = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 16, 16, 0, 0, 0);
    if (!resizable) {
        // A fixed size, as SDL declares it for windows that cannot be resized.
        XSizeHints* hints = XAllocSizeHints();
        hints->flags = PMinSize | PMaxSize;
        hints->min_width = hints->max_width = hints->min_height = hints->max_height = 16;
        XSetWMNormalHints(d, w, hints);
        XFree(hints);
    }
    XEvent ev{};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = w;
    ev.xclient.message_type = atom(d, "_NET_REQUEST_FRAME_EXTENTS");
    ev.xclient.format = 32;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    XFlush(d);
    wait_extents(d, w, resizable, 300);
    XDestroyWindow(d, w);
    XFlush(d);
    g_have_extents[resizable] = true;
}

// ---- Presenter thread ----

struct Presenter {
    std::mutex m;
    std::vector<Native*> list;
    Display* dpy = nullptr;
    std::thread thread;

    void run() {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
            std::lock_guard<std::mutex> g(m);
            while (XPending(dpy)) {
                XEvent ev;
                XNextEvent(dpy, &ev);
                if (ev.type != Expose) continue;
                for (Native* n : list)
                    if (n->xid == ev.xexpose.window) n->exposed = true;
            }
            bool sent = false;
            for (Native* n : list) {
                Surface* s = n->surface;
                if (!s) continue;
                bool dirty = s->dirty.exchange(false, std::memory_order_relaxed);
                if (!dirty && !n->exposed.exchange(false)) continue;
                std::lock_guard<std::mutex> sl(n->lock);
                put(n, *n->surface);
                sent = true;
            }
            if (sent) XFlush(dpy);
        }
    }

    void put(Native* n, const Surface& s) {
        if (s.width <= 0 || s.height <= 0) return;
        int screen = DefaultScreen(dpy);
        XImage* img = XCreateImage(dpy, DefaultVisual(dpy, screen), unsigned(DefaultDepth(dpy, screen)), ZPixmap,
                                   0, reinterpret_cast<char*>(s.bits), unsigned(s.width), unsigned(s.height), 32,
                                   s.stride * 4);
        if (!img) return;
        XPutImage(dpy, n->xid, n->gc, img, 0, 0, 0, 0, unsigned(s.width), unsigned(s.height));
        img->data = nullptr;  // the surface owns the pixels
        XDestroyImage(img);
    }
};

Presenter* presenter() {
    static Presenter* p = [] {
        auto* pr = new Presenter;
        pr->dpy = XOpenDisplay(nullptr);
        if (!pr->dpy) return pr;
        pr->thread = std::thread([pr] { pr->run(); });
        pr->thread.detach();
        return pr;
    }();
    return p;
}

// ---- Keyboard ----

int vk_from_scancode(SDL_Scancode sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1);
    switch (sc) {
        case SDL_SCANCODE_0: return '0';
        case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
        case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
        case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
        case SDL_SCANCODE_SPACE: return VK_SPACE;
        case SDL_SCANCODE_TAB: return VK_TAB;
        case SDL_SCANCODE_BACKSPACE: return VK_BACK;
        case SDL_SCANCODE_UP: return VK_UP;
        case SDL_SCANCODE_DOWN: return VK_DOWN;
        case SDL_SCANCODE_LEFT: return VK_LEFT;
        case SDL_SCANCODE_RIGHT: return VK_RIGHT;
        case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
        case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
        case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
        case SDL_SCANCODE_INSERT: return VK_INSERT;
        case SDL_SCANCODE_DELETE: return VK_DELETE;
        case SDL_SCANCODE_HOME: return VK_HOME;
        case SDL_SCANCODE_END: return VK_END;
        case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
        case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
        default: return 0;
    }
}

// The X keysyms whose keys make up a virtual key. The main cursor keys and
// the keypad are separate keys, as Windows reports them with Num Lock on.
void keysyms_for(int vk, std::vector<KeySym>& out) {
    out.clear();
    if (vk >= 'A' && vk <= 'Z') return out.push_back(XK_a + (vk - 'A'));
    if (vk >= '0' && vk <= '9') return out.push_back(XK_0 + (vk - '0'));
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return out.push_back(XK_KP_0 + (vk - VK_NUMPAD0));
    if (vk >= VK_F1 && vk <= VK_F12) return out.push_back(XK_F1 + (vk - VK_F1));
    switch (vk) {
        case VK_RETURN: out = {XK_Return, XK_KP_Enter}; break;
        case VK_ESCAPE: out = {XK_Escape}; break;
        case VK_SPACE: out = {XK_space}; break;
        case VK_TAB: out = {XK_Tab}; break;
        case VK_BACK: out = {XK_BackSpace}; break;
        case VK_UP: out = {XK_Up}; break;
        case VK_DOWN: out = {XK_Down}; break;
        case VK_LEFT: out = {XK_Left}; break;
        case VK_RIGHT: out = {XK_Right}; break;
        case VK_SHIFT: out = {XK_Shift_L, XK_Shift_R}; break;
        case VK_LSHIFT: out = {XK_Shift_L}; break;
        case VK_RSHIFT: out = {XK_Shift_R}; break;
        case VK_CONTROL: out = {XK_Control_L, XK_Control_R}; break;
        case VK_LCONTROL: out = {XK_Control_L}; break;
        case VK_RCONTROL: out = {XK_Control_R}; break;
        case VK_MENU: out = {XK_Alt_L, XK_Alt_R}; break;
        case VK_CAPITAL: out = {XK_Caps_Lock}; break;
        case VK_NUMLOCK: out = {XK_Num_Lock}; break;
        case VK_INSERT: out = {XK_Insert}; break;
        case VK_DELETE: out = {XK_Delete}; break;
        case VK_HOME: out = {XK_Home}; break;
        case VK_END: out = {XK_End}; break;
        case VK_PRIOR: out = {XK_Prior}; break;
        case VK_NEXT: out = {XK_Next}; break;
        default: break;
    }
}

SDL_Scancode scancode_for(int vk) {
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
        if (vk_from_scancode(SDL_Scancode(sc)) == vk) return SDL_Scancode(sc);
    return SDL_SCANCODE_UNKNOWN;
}

Native* native_of(Uint32 window_id) {
    SDL_Window* w = SDL_GetWindowFromID(window_id);
    return w ? static_cast<Native*>(SDL_GetWindowData(w, "plat")) : nullptr;
}

}  // namespace

bool available() { return init(); }

Native* create(Window* owner, const WindowSpec& spec) {
    if (!init()) return nullptr;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (spec.resizable && spec.decorated) flags |= SDL_WINDOW_RESIZABLE;
    if (!spec.decorated) flags |= SDL_WINDOW_BORDERLESS;
    if (spec.topmost) flags |= SDL_WINDOW_ALWAYS_ON_TOP;
    SDL_Window* sdl = SDL_CreateWindow(spec.title_utf8, spec.x, spec.y, std::max(1, spec.client_w),
                                       std::max(1, spec.client_h), flags);
    if (!sdl) return nullptr;
    auto* n = new Native;
    n->sdl = sdl;
    n->owner = owner;
    n->decorated = spec.decorated;
    n->resizable = spec.resizable;
    SDL_SetWindowData(sdl, "plat", n);
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (g_x11 && SDL_GetWindowWMInfo(sdl, &info) && info.subsystem == SDL_SYSWM_X11) {
        n->dpy = info.info.x11.display;
        n->xid = info.info.x11.window;
    }
    g_windows.push_back(n);
    return n;
}

void destroy(Native* n) {
    if (!n) return;
    if (n->fullscreen) leave_fullscreen();
    if (n->surface && n->xid) {
        Presenter* p = presenter();
        std::lock_guard<std::mutex> g(p->m);
        p->list.erase(std::remove(p->list.begin(), p->list.end(), n), p->list.end());
        if (n->gc) XFreeGC(p->dpy, n->gc);
        XSync(p->dpy, False);  // nothing of ours may reach the window after it is gone
    }
    g_windows.erase(std::remove(g_windows.begin(), g_windows.end(), n), g_windows.end());
    SDL_DestroyWindow(n->sdl);
    delete n;
}

void set_title(Native* n, const char* utf8) {
    if (!n) return;
    SDL_SetWindowTitle(n->sdl, utf8);
    if (!n->dpy) return;
    // SDL stores the UTF-8 bytes in WM_NAME labelled as Latin-1; older tools
    // read that property, so it gets the title in a proper encoding too.
    XTextProperty tp{};
    char* list[] = {const_cast<char*>(utf8)};
    if (Xutf8TextListToTextProperty(n->dpy, list, 1, XStdICCTextStyle, &tp) == Success) {
        XSetWMName(n->dpy, n->xid, &tp);
        XFree(tp.value);
        XFlush(n->dpy);
    }
}

void set_frame(Native* n, bool decorated, bool resizable) {
    if (!n) return;
    n->decorated = decorated;
    n->resizable = resizable;
    SDL_SetWindowBordered(n->sdl, decorated ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowResizable(n->sdl, decorated && resizable ? SDL_TRUE : SDL_FALSE);
}

void set_topmost(Native* n, bool topmost) {
    if (n) SDL_SetWindowAlwaysOnTop(n->sdl, topmost ? SDL_TRUE : SDL_FALSE);
}

void set_transient_for(Native* n, Native* owner) {
    if (n && owner) SDL_SetWindowModalFor(n->sdl, owner->sdl);
}

void move_resize(Native* n, int x, int y, int client_w, int client_h) {
    if (!n || n->fullscreen) return;
    client_w = std::max(1, client_w);
    client_h = std::max(1, client_h);
    n->settle_until = Clock::now() + std::chrono::milliseconds(1000);
    // SDL keeps its size hints in step; the position goes to X directly,
    // where a window manager with the default north-west gravity puts the
    // frame's corner at (x, y). SDL's own call would place the client area.
    SDL_SetWindowSize(n->sdl, client_w, client_h);
    if (n->dpy) {
        XMoveResizeWindow(n->dpy, n->xid, x, y, unsigned(client_w), unsigned(client_h));
        XFlush(n->dpy);
    } else {
        SDL_SetWindowPosition(n->sdl, x, y);
    }
}

void show(Native* n, bool visible) {
    if (!n) return;
    if (!visible) return SDL_HideWindow(n->sdl);
    if (SDL_GetWindowFlags(n->sdl) & SDL_WINDOW_SHOWN) return;
    n->settle_until = Clock::now() + std::chrono::milliseconds(1000);
    SDL_ShowWindow(n->sdl);
    // Learn the frame the window manager gives decorated windows, once.
    if (n->dpy && n->decorated && !g_have_extents[n->resizable]) {
        if (wm_running(n->dpy)) wait_extents(n->dpy, n->xid, n->resizable, 500);
        else g_have_extents[0] = g_have_extents[1] = true;
    }
}

void activate(Native* n) {
    if (!n) return;
    SDL_RaiseWindow(n->sdl);
}

Extents frame_extents(bool decorated, bool resizable) {
    if (!decorated || !init() || !g_x11) return {};
    if (!g_have_extents[resizable]) probe_extents(resizable);
    return g_extents[resizable];
}

void present(Native* n, Surface* s) {
    if (!n) return;
    n->surface = s;
    if (!n->xid) return;
    Presenter* p = presenter();
    if (!p->dpy) return;
    std::lock_guard<std::mutex> g(p->m);
    n->gc = XCreateGC(p->dpy, n->xid, 0, nullptr);
    XSelectInput(p->dpy, n->xid, ExposureMask);
    p->list.push_back(n);
    s->touch();
}

void present_sync(Native* n) {
    if (!n || !n->surface || !n->xid) return;
    Presenter* p = presenter();
    std::lock_guard<std::mutex> g(p->m);
    std::lock_guard<std::mutex> sl(n->lock);
    p->put(n, *n->surface);
    XSync(p->dpy, False);
}

std::mutex& surface_lock(Native* n) {
    static std::mutex none;
    return n ? n->lock : none;
}

bool mode_available(int w, int h) {
    if (!init()) return false;
    for (int i = 0, count = SDL_GetNumDisplayModes(0); i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) == 0 && m.w == w && m.h == h) return true;
    }
    return false;
}

bool enter_fullscreen(Native* n, int w, int h) {
    if (!n) return false;
    for (int i = 0, count = SDL_GetNumDisplayModes(0); i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0 || m.w != w || m.h != h) continue;
        if (SDL_SetWindowDisplayMode(n->sdl, &m) != 0) return false;
        if (SDL_SetWindowFullscreen(n->sdl, SDL_WINDOW_FULLSCREEN) != 0) return false;
        n->fullscreen = true;
        return true;
    }
    return false;
}

void leave_fullscreen() {
    for (Native* n : g_windows) {
        if (!n->fullscreen) continue;
        n->fullscreen = false;
        SDL_SetWindowFullscreen(n->sdl, 0);
    }
}

void screen_size(int* w, int* h) {
    SDL_DisplayMode m{};
    if (init() && SDL_GetDesktopDisplayMode(0, &m) == 0) {
        *w = m.w;
        *h = m.h;
    } else {
        *w = 640;
        *h = 480;
    }
}

void show_cursor(bool visible) {
    if (!init()) return;
    static SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (visible && arrow) SDL_SetCursor(arrow);
    SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE);
}

bool key_down(int vk) {
    if (vk <= 0 || vk > 255 || !init()) return false;
    if (g_keys_dpy) {
        // One server round trip serves every key asked about within the same
        // millisecond: a keyboard poll asks for about forty keys at once.
        static char keys[32];
        static Clock::time_point stamp;
        auto now = Clock::now();
        if (now - stamp >= std::chrono::milliseconds(1)) {
            XQueryKeymap(g_keys_dpy, keys);
            stamp = now;
        }
        static std::vector<KeyCode> codes[256];
        static bool known[256];
        if (!known[vk]) {
            std::vector<KeySym> syms;
            keysyms_for(vk, syms);
            for (KeySym ks : syms)
                if (KeyCode kc = XKeysymToKeycode(g_keys_dpy, ks)) codes[vk].push_back(kc);
            known[vk] = true;
        }
        for (KeyCode kc : codes[vk])
            if (keys[kc >> 3] & (1 << (kc & 7))) return true;
        return false;
    }
    SDL_PumpEvents();
    SDL_Scancode sc = scancode_for(vk);
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    return sc != SDL_SCANCODE_UNKNOWN && state[sc];
}

void pump(EventSink& sink) {
    if (!init()) return;
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_WINDOWEVENT: {
                Native* n = native_of(e.window.windowID);
                if (!n) break;
                switch (e.window.event) {
                    case SDL_WINDOWEVENT_CLOSE: sink.close_requested(n->owner); break;
                    case SDL_WINDOWEVENT_EXPOSED: sink.exposed(n->owner); break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                        if (Clock::now() >= n->settle_until) sink.resized(n->owner, e.window.data1, e.window.data2);
                        break;
                    case SDL_WINDOWEVENT_FOCUS_GAINED: sink.focus(n->owner, true); break;
                    case SDL_WINDOWEVENT_FOCUS_LOST: sink.focus(n->owner, false); break;
                    default: break;
                }
                break;
            }
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                Native* n = native_of(e.key.windowID);
                int vk = vk_from_scancode(e.key.keysym.scancode);
                if (n && vk) sink.key(n->owner, vk, e.type == SDL_KEYDOWN, e.key.repeat != 0);
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                Native* n = native_of(e.button.windowID);
                if (n && e.button.button == SDL_BUTTON_LEFT)
                    sink.mouse(n->owner, e.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, e.button.x,
                               e.button.y);
                break;
            }
            case SDL_MOUSEMOTION: {
                Native* n = native_of(e.motion.windowID);
                if (n) sink.mouse(n->owner, WM_MOUSEMOVE, e.motion.x, e.motion.y);
                break;
            }
            default: break;
        }
    }
}

void wait_events(int timeout_ms) {
    // Polls rather than blocking in SDL_WaitEventTimeout: SDL wakes that wait
    // with a message to the window it last waited for, which may be gone by
    // then (a message box closes and another opens).
    auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < until) {
        if (init()) {
            SDL_PumpEvents();
            if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace plat::backend
