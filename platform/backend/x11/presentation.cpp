// Presentation: a thread of the backend's own, on an X connection of its own,
// puts each window's surface on screen with XPutImage every few milliseconds
// when it was drawn on or exposed, whether or not the program pumps messages
// (getch never does). Off X11 nothing is presented.
#include "backend/x11/x11.h"

#include <X11/Xutil.h>

#include <algorithm>
#include <mutex>
#include <thread>

namespace plat::backend::x11 {

namespace {

struct Presenter {
    std::mutex m;  // guards list and the connection
    std::vector<XWindow*> list;
    Display* dpy = nullptr;

    void run() {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(4));
            std::lock_guard<std::mutex> g(m);
            while (XPending(dpy)) {
                XEvent ev;
                XNextEvent(dpy, &ev);
                if (ev.type != Expose) continue;
                for (XWindow* w : list)
                    if (w->xid == ev.xexpose.window) w->handoff->exposed = true;
            }
            bool sent = false;
            for (XWindow* w : list) {
                if (!w->handoff->take()) continue;
                std::lock_guard<std::mutex> sl(w->handoff->lock);
                put(w);
                sent = true;
            }
            if (sent) XFlush(dpy);
        }
    }

    // Under the hand-off's lock.
    void put(XWindow* w) {
        const Surface& s = *w->handoff->surface;
        if (s.width <= 0 || s.height <= 0) return;
        int screen = DefaultScreen(dpy);
        XImage* img = XCreateImage(dpy, DefaultVisual(dpy, screen), unsigned(DefaultDepth(dpy, screen)), ZPixmap,
                                   0, reinterpret_cast<char*>(s.bits), unsigned(s.width), unsigned(s.height), 32,
                                   s.stride * 4);
        if (!img) return;
        XPutImage(dpy, w->xid, w->gc, img, 0, 0, 0, 0, unsigned(s.width), unsigned(s.height));
        img->data = nullptr;  // the surface owns the pixels
        XDestroyImage(img);
    }
};

// Started with the first window presented. Never destroyed: the thread may
// still run while a program that returns from main runs its static destructors.
Presenter* presenter() {
    static Presenter* p = [] {
        auto* pr = new Presenter;
        pr->dpy = XOpenDisplay(nullptr);
        if (pr->dpy) std::thread([pr] { pr->run(); }).detach();
        return pr;
    }();
    return p;
}

}  // namespace

void present(Native* n, SurfaceHandoff* handoff) {
    XWindow* w = xwin(n);
    if (!w) return;
    w->handoff = handoff;
    if (!w->xid) return;
    Presenter* p = presenter();
    if (!p->dpy) return;
    std::lock_guard<std::mutex> g(p->m);
    w->gc = XCreateGC(p->dpy, w->xid, 0, nullptr);
    XSelectInput(p->dpy, w->xid, ExposureMask);
    p->list.push_back(w);
    handoff->surface->touch();
}

void present_sync(Native* n) {
    XWindow* w = xwin(n);
    if (!w || !w->handoff || !w->gc) return;
    Presenter* p = presenter();
    std::lock_guard<std::mutex> g(p->m);
    std::lock_guard<std::mutex> sl(w->handoff->lock);
    p->put(w);
    XSync(p->dpy, False);
}

void stop_presenting(XWindow* w) {
    if (!w->gc) return;
    Presenter* p = presenter();
    std::lock_guard<std::mutex> g(p->m);
    p->list.erase(std::remove(p->list.begin(), p->list.end(), w), p->list.end());
    XFreeGC(p->dpy, w->gc);
    w->gc = nullptr;
    XSync(p->dpy, False);  // nothing of ours may reach the window after it is gone
}

}  // namespace plat::backend::x11
