// Shots: the program's window as it shows now, its client area with the
// windows it owns (a message box) drawn over it where they lie, written as
// PNG. The exit shot is taken as the process ends; the program's window may
// be gone by then (Terminate destroys it first), and then it shows what the
// window last showed. A shot that cannot be written is said on standard
// error, the program runs on, and the run ends with status 4 whatever else
// ends it, so that CI never compares a shot that is missing or stale.
#include "backend/headless/headless.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <unistd.h>

namespace plat::backend::headless {

namespace {

struct Image {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
};

std::string g_exit_shot;
Image g_last;  // what the program's window showed as it went
bool g_have_last = false;
int g_failed = 0;  // shots not written

void not_taken(const std::string& path, const char* why) {
    std::fprintf(stderr, "qx: no shot %s: %s\n", shown(path).c_str(), why);
    ++g_failed;
}

bool owned_by(const HWindow* w, const HWindow* owner) {
    for (const HWindow* o = w->owner_window; o; o = o->owner_window)
        if (o == owner) return true;
    return false;
}

// Copies s onto img with its corner at (x, y), clipped to img.
void put(Image& img, const Surface& s, int64_t x, int64_t y) {
    const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + s.width, img.w);
    const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + s.height, img.h);
    for (int64_t row = y0; x0 < x1 && row < y1; ++row)
        std::memcpy(&img.px[size_t(row) * size_t(img.w) + size_t(x0)],
                    s.bits + size_t(row - y) * size_t(s.stride) + size_t(x0 - x), size_t(x1 - x0) * 4);
}

Image compose(const HWindow* program) {
    Image img;
    if (!program->handoff) return img;
    {
        SurfaceHandoff& h = *program->handoff;
        std::lock_guard<std::mutex> g(h.lock);
        img.w = h.surface->width;
        img.h = h.surface->height;
        img.px.assign(size_t(img.w) * size_t(img.h), 0);
        put(img, *h.surface, 0, 0);
    }
    for (const HWindow* w : windows()) {  // back to front
        if (!w->visible || !w->handoff || !owned_by(w, program)) continue;
        std::lock_guard<std::mutex> g(w->handoff->lock);
        put(img, *w->handoff->surface, int64_t(w->x) - program->x, int64_t(w->y) - program->y);
    }
    return img;
}

void write(const std::string& path, const Image& img) {
    std::string why;
    if (img.w <= 0 || img.h <= 0) why = "the program's window has no client area";
    else if (write_png(path, img.px.data(), img.w, img.h, img.w, &why)) return;
    not_taken(path, why.c_str());
}

}  // namespace

void set_exit_shot(const std::string& path) { g_exit_shot = path; }

// A shot that memory cannot hold is not taken; the program runs on.
void shot(const std::string& path) {
    try {
        if (const HWindow* w = program_window()) return write(path, compose(w));
        if (g_have_last) return write(path, g_last);
        not_taken(path, "the program has no window");
    } catch (const std::bad_alloc&) {
        not_taken(path, "out of memory");
    }
}

void keep_last_image(HWindow* w) {
    try {
        g_last = compose(w);
        g_have_last = true;
    } catch (const std::bad_alloc&) {
        g_last = Image{};
    }
}

void count_failure() { ++g_failed; }

void ending() {
    report_unplayed();
    if (!g_exit_shot.empty()) shot(g_exit_shot);
    if (!finish_recording()) ++g_failed;
    if (!g_failed) return;
    std::fprintf(stderr, "qx: %d shot%s of the run (its sound recording counted among them) could not be written; "
                         "ending it with status %d\n", g_failed, g_failed == 1 ? "" : "s", kShotFailedStatus);
    _exit(kShotFailedStatus);
}

}  // namespace plat::backend::headless
