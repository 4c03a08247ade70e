// The window manager's frame: the extents it gives each kind of decorated
// window (_NET_FRAME_EXTENTS), learnt before the first window with an unmapped
// probe (_NET_REQUEST_FRAME_EXTENTS) or from the first window shown, so that
// AdjustWindowRect can give the client area exactly the size asked for.
// Without a window manager, or off X11, there is no frame.
#include "backend/x11/x11.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <thread>

namespace plat::backend::x11 {

namespace {

// [0] fixed size, [1] resizable (often a thicker edge for the grip).
bool g_have_extents[2] = {false, false};
Extents g_extents[2];

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
    Display* d = g_dpy;
    if (!wm_running(d)) {
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

}  // namespace

Extents frame_extents(bool decorated, bool resizable) {
    if (!decorated || !g_x11) return {};
    if (!g_have_extents[resizable]) probe_extents(resizable);
    return g_extents[resizable];
}

void learn_extents(XWindow* w) {
    if (!w->dpy || !w->decorated || g_have_extents[w->resizable]) return;
    if (wm_running(w->dpy)) wait_extents(w->dpy, w->xid, w->resizable, 500);
    else g_have_extents[0] = g_have_extents[1] = true;
}

}  // namespace plat::backend::x11
