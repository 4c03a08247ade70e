// Windows: records of where each window is, whether it shows, what owns it
// and which surface it shows, kept back to front. Showing or activating a
// window brings it to the front, where it has the focus: the script's keys
// and clicks go to it.
#include "backend/headless/headless.h"

#include <algorithm>
#include <new>

namespace plat::backend::headless {

namespace {

// The runtime makes one window, its first; message boxes come later.
HWindow* g_program = nullptr;
bool g_made_any = false;

void raise(HWindow* w) {
    auto& list = windows();
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    list.push_back(w);
}

}  // namespace

// Never destroyed: a program that ends through exit() has its exit shot
// taken by an exit handler, after function-local statics made later than
// that handler are gone.
std::vector<HWindow*>& windows() {
    static auto* list = new std::vector<HWindow*>;
    return *list;
}

HWindow* front() {
    auto& list = windows();
    for (auto it = list.rbegin(); it != list.rend(); ++it)
        if ((*it)->visible) return *it;
    return nullptr;
}

HWindow* program_window() { return g_program; }

Native* create(Window* owner, const WindowParams& params) {
    auto* w = new (std::nothrow) HWindow;
    if (!w) return nullptr;
    w->owner = owner;
    w->title = params.title_utf8 ? params.title_utf8 : "";
    w->x = params.x;
    w->y = params.y;
    if (!g_made_any) g_program = w;
    g_made_any = true;
    windows().push_back(w);
    return w;
}

void destroy(Native* n) {
    HWindow* w = hwin(n);
    if (!w) return;
    if (w == g_program) {
        keep_last_image(w);
        g_program = nullptr;
    }
    forget(w);
    auto& list = windows();
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    for (HWindow* o : list)
        if (o->owner_window == w) o->owner_window = nullptr;
    delete w;
}

void set_title(Native* n, const char* utf8) {
    if (HWindow* w = hwin(n)) w->title = utf8 ? utf8 : "";
}

// No window manager: no frame to change, no stacking above other programs.
void set_frame(Native*, bool, bool) {}
void set_topmost(Native*, bool) {}

void set_transient_for(Native* n, Native* owner) {
    if (n) hwin(n)->owner_window = hwin(owner);
}

void move_resize(Native* n, int x, int y, int, int) {
    // The size is the surface's, which the layer keeps.
    if (HWindow* w = hwin(n)) {
        w->x = x;
        w->y = y;
    }
}

void show(Native* n, bool visible) {
    HWindow* w = hwin(n);
    if (!w) return;
    w->visible = visible;
    if (visible) raise(w);
}

void activate(Native* n) {
    if (HWindow* w = hwin(n)) raise(w);
}

void present(Native* n, SurfaceHandoff* handoff) {
    if (HWindow* w = hwin(n)) w->handoff = handoff;
}

// Nothing to put anywhere: shots read the surface when they are taken.
void present_sync(Native*) {}

}  // namespace plat::backend::headless
