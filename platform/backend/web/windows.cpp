// Windows: the first window without an owner is the page's canvas (its title
// is the page's title); the others are drawn over it, the one activated last
// on top, and that one gets the keys. Windows cannot be moved by the user, so
// places and sizes are only ever the program's own.
#include "backend/web/web.h"

#include <emscripten.h>

#include <algorithm>

namespace plat::backend::web {

namespace {

WebWindow* g_active = nullptr;

EM_JS(void, set_page_title, (const char* utf8), { document.title = UTF8ToString(utf8); });

bool is_canvas(const WebWindow* w) { return w && w == canvas_window(); }

}  // namespace

std::vector<WebWindow*>& windows() {
    static std::vector<WebWindow*> list;
    return list;
}

WebWindow* canvas_window() {
    for (WebWindow* w : windows())
        if (!w->transient_for) return w;
    return nullptr;
}

WebWindow* key_window() { return g_active ? g_active : canvas_window(); }

Native* create(Window* owner, const WindowParams& params) {
    auto* w = new WebWindow;
    w->owner = owner;
    w->x = params.x;
    w->y = params.y;
    w->client_w = std::max(1, params.client_w);
    w->client_h = std::max(1, params.client_h);
    w->decorated = params.decorated;
    w->resizable = params.resizable;
    w->topmost = params.topmost;
    w->title = params.title_utf8;
    windows().push_back(w);
    if (is_canvas(w)) {
        set_page_title(params.title_utf8);
        fit_canvas();
    }
    return w;
}

void destroy(Native* n) {
    WebWindow* w = wwin(n);
    if (!w) return;
    const bool was_canvas = is_canvas(w);
    // The canvas keeps the last picture of the window it showed as the
    // program last drew it: a program that draws and ends at once (its
    // answer, a final score) is not cut short of the next animation frame.
    if (was_canvas && w->handoff && w->handoff->take()) present_sync(n);
    auto& list = windows();
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    for (WebWindow* o : list)
        if (o->transient_for == w) o->transient_for = nullptr;
    if (g_active == w) g_active = nullptr;
    delete w;
    // What was under a window that went shows again at once: the program
    // may end before the next animation frame (the answer to a quit box).
    if (!was_canvas) repaint();
}

void set_title(Native* n, const char* utf8) {
    WebWindow* w = wwin(n);
    if (!w) return;
    w->title = utf8;
    if (is_canvas(w)) set_page_title(utf8);
    else repaint();
}

void set_frame(Native* n, bool decorated, bool resizable) {
    WebWindow* w = wwin(n);
    if (!w) return;
    w->decorated = decorated;
    w->resizable = resizable;
    if (!is_canvas(w)) repaint();
}

void set_topmost(Native* n, bool topmost) {
    if (WebWindow* w = wwin(n)) w->topmost = topmost;
}

void set_transient_for(Native* n, Native* owner) {
    WebWindow* w = wwin(n);
    if (!w || !owner || owner == n) return;
    const bool was_canvas = is_canvas(w);
    w->transient_for = wwin(owner);
    if (was_canvas) fit_canvas();
}

void move_resize(Native* n, int x, int y, int client_w, int client_h) {
    WebWindow* w = wwin(n);
    if (!w) return;
    w->x = x;
    w->y = y;
    w->client_w = std::max(1, client_w);
    w->client_h = std::max(1, client_h);
    if (is_canvas(w)) fit_canvas();
    else repaint();
}

void show(Native* n, bool visible) {
    WebWindow* w = wwin(n);
    if (!w || w->visible == visible) return;
    w->visible = visible;
    if (is_canvas(w)) fit_canvas();
    else repaint();
}

void activate(Native* n) {
    WebWindow* w = wwin(n);
    if (!w) return;
    g_active = w;
    if (is_canvas(w)) return;
    // Raised above the other windows over the canvas.
    auto& list = windows();
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    list.push_back(w);
    repaint();
}

}  // namespace plat::backend::web
