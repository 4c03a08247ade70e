// Events: what the page reports (keys, from keys.cpp; the mouse over the
// canvas; the page's own close) waits in a queue until the program
// pumps, and is then reported to the layer for the window it concerns: keys
// for the window activated last, the mouse for the window under it, the close
// for the canvas's window. The page's close (beforeunload) can only be
// answered by the browser's own question: the program is asked too (its quit
// box), for when the user chooses to stay.
#include "backend/web/web.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <windows.h>

#include <deque>

namespace plat::backend::web {

namespace {

struct Event {
    enum Kind { key, mouse, close } kind;
    int a = 0, b = 0, c = 0;  // key: vk, down, repeat; mouse: message, canvas x, y
};

std::deque<Event> g_queue;

void queue(Event e) {
    g_queue.push_back(e);
    wake();
}

EM_ASYNC_JS(void, wait_for_page, (int timeout_ms), {
    await new Promise(function(resolve) {
        var done = function() {
            clearTimeout(timer);
            Module.qxWake = null;
            resolve();
        };
        var timer = setTimeout(done, timeout_ms);
        Module.qxWake = done;
    });
});

EM_JS(void, wake_page_wait, (), {
    if (Module.qxWake) Module.qxWake();
});

// Canvas pixels from a position in CSS pixels on the canvas.
void canvas_point(const EmscriptenMouseEvent& e, int* x, int* y) {
    double css_w = 1, css_h = 1;
    emscripten_get_element_css_size("#canvas", &css_w, &css_h);
    WebWindow* base = canvas_window();
    const int w = base ? base->client_w : 1, h = base ? base->client_h : 1;
    *x = int(double(e.targetX) * w / (css_w > 0 ? css_w : 1));
    *y = int(double(e.targetY) * h / (css_h > 0 ? css_h : 1));
}

EM_BOOL on_mouse(int type, const EmscriptenMouseEvent* e, void*) {
    if (type != EMSCRIPTEN_EVENT_MOUSEMOVE && e->button != 0) return EM_FALSE;  // the left button only
    int x = 0, y = 0;
    canvas_point(*e, &x, &y);
    const int msg = type == EMSCRIPTEN_EVENT_MOUSEDOWN ? WM_LBUTTONDOWN
                    : type == EMSCRIPTEN_EVENT_MOUSEUP ? WM_LBUTTONUP
                                                       : WM_MOUSEMOVE;
    queue({Event::mouse, msg, x, y});
    return EM_FALSE;
}

const char* on_beforeunload(int, const void*, void*) {
    if (!canvas_window()) return nullptr;  // the program has ended: nothing to ask
    queue({Event::close});
    return "qx";  // any text: browsers show their own question
}

// The page lost the focus: the keys held in it go up.
EM_BOOL on_blur(int, const EmscriptenFocusEvent*, void*) {
    release_keys();
    return EM_FALSE;
}

EM_BOOL on_visibility(int, const EmscriptenVisibilityChangeEvent* e, void*) {
    if (e->hidden) release_keys();
    return EM_FALSE;
}

// The window over the canvas whose client area holds canvas point (x, y),
// topmost first, else the canvas's window; (x, y) becomes a client point.
WebWindow* window_at(int* x, int* y) {
    WebWindow* base = canvas_window();
    if (!base) return nullptr;
    const Extents be = frame_extents(base->decorated, base->resizable);
    const int sx = *x + base->x + be.left, sy = *y + base->y + be.top;
    auto& list = windows();
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        WebWindow* w = *it;
        if (w == base || !w->visible) continue;
        const Extents e = frame_extents(w->decorated, w->resizable);
        const int cx = w->x + e.left, cy = w->y + e.top;
        if (sx >= cx && sy >= cy && sx < cx + w->client_w && sy < cy + w->client_h) {
            *x = sx - cx;
            *y = sy - cy;
            return w;
        }
    }
    return base;
}

}  // namespace

void start_events() {
    emscripten_set_mousedown_callback("#canvas", nullptr, EM_TRUE, on_mouse);
    emscripten_set_mouseup_callback("#canvas", nullptr, EM_TRUE, on_mouse);
    emscripten_set_mousemove_callback("#canvas", nullptr, EM_TRUE, on_mouse);
    emscripten_set_beforeunload_callback(nullptr, on_beforeunload);
    emscripten_set_blur_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on_blur);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, on_visibility);
}

void queue_key(int vk, bool down, bool repeat) { queue({Event::key, vk, down, repeat}); }

void wake() { wake_page_wait(); }

void pump(EventSink& sink) {
    while (!g_queue.empty()) {
        const Event e = g_queue.front();
        g_queue.pop_front();
        switch (e.kind) {
            case Event::key:
                if (WebWindow* w = key_window()) sink.key(w->owner, e.a, e.b != 0, e.c != 0);
                break;
            case Event::mouse: {
                int x = e.b, y = e.c;
                if (WebWindow* w = window_at(&x, &y)) sink.mouse(w->owner, unsigned(e.a), x, y);
                break;
            }
            case Event::close:
                if (WebWindow* w = canvas_window()) sink.close_requested(w->owner);
                break;
        }
    }
}

void wait_events(int timeout_ms) {
    if (!g_queue.empty()) return;
    wait_for_page(timeout_ms > 0 ? timeout_ms : 0);
    note_yield();
}

}  // namespace plat::backend::web
