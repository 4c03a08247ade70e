// Presentation: once per animation frame, and only when a window was drawn
// on (or the canvas was cleared by a change of size), the canvas's window's
// surface is put on the canvas and the windows over it on top, each in its
// frame. A program that does not yield to the page (a long computation) is
// not presented until it does; every sleep, wait and key poll yields.
#include "backend/web/web.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <mutex>

namespace plat::backend::web {

namespace {

bool g_looping = false;
bool g_stale = true;       // the canvas lost its picture: put everything again
bool g_first_noted = false;

EM_JS(void, put_pixels, (const uint32_t* rgba, int w, int h, int x, int y), {
    var c = Module.canvas.getContext("2d");
    c.putImageData(new ImageData(new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4), w, h), x, y);
});

// Returns whether the canvas changed size (and so lost its picture).
EM_JS(int, size_canvas, (int w, int h, int visible), {
    var c = Module.canvas;
    var changed = c.width != w || c.height != h;
    if (changed) {
        c.width = w;
        c.height = h;
    }
    c.style.visibility = visible ? "visible" : "hidden";
    Module.qxFit();
    return changed;
});

EM_JS(void, note_first_frame, (), { Module.qxFirstFrame(); });

// The surface in the canvas's byte order: 0x00RRGGBB words become R, G, B, A.
void convert(WebWindow& w, const Surface& s) {
    w.rgba.resize(size_t(s.width) * size_t(s.height));
    uint32_t* out = w.rgba.data();
    for (int y = 0; y < s.height; ++y) {
        const uint32_t* row = s.bits + ptrdiff_t(y) * s.stride;
        for (int x = 0; x < s.width; ++x) {
            const uint32_t p = row[x];
            *out++ = 0xFF000000u | (p & 0xFFu) << 16 | (p & 0xFF00u) | (p >> 16 & 0xFFu);
        }
    }
}

void put(WebWindow& w, int x, int y) {
    if (!w.handoff) return;
    std::lock_guard<std::mutex> g(w.handoff->lock);
    const Surface& s = *w.handoff->surface;
    if (s.width <= 0 || s.height <= 0 || !s.bits) return;
    convert(w, s);
    put_pixels(w.rgba.data(), s.width, s.height, x, y);
}

void compose() {
    WebWindow* base = canvas_window();
    if (!base || !base->visible) return;
    g_stale = false;
    put(*base, 0, 0);
    // Screen coordinates of the canvas's corner.
    const Extents be = frame_extents(base->decorated, base->resizable);
    const int ox = base->x + be.left, oy = base->y + be.top;
    for (WebWindow* w : windows()) {
        if (w == base || !w->visible) continue;
        const int fx = w->x - ox, fy = w->y - oy;
        draw_frame(*w, fx, fy);
        const Extents e = frame_extents(w->decorated, w->resizable);
        put(*w, fx + e.left, fy + e.top);
    }
    if (!g_first_noted && program_has_slept()) {
        g_first_noted = true;
        note_first_frame();
    }
}

EM_BOOL on_animation_frame(double, void*) {
    if (windows().empty()) {
        g_looping = false;  // the program's windows are gone: nothing more to show
        return EM_FALSE;
    }
    bool changed = g_stale;
    for (WebWindow* w : windows())
        if (w->handoff && w->handoff->take()) changed = true;
    if (changed) compose();
    return EM_TRUE;
}

}  // namespace

void present(Native* n, SurfaceHandoff* handoff) {
    WebWindow* w = wwin(n);
    if (!w) return;
    w->handoff = handoff;
    handoff->surface->touch();
    if (!g_looping) {
        g_looping = true;
        emscripten_request_animation_frame_loop(on_animation_frame, nullptr);
    }
}

void present_sync(Native* n) {
    if (wwin(n)) compose();
}

void fit_canvas() {
    WebWindow* base = canvas_window();
    if (!base) return;
    if (size_canvas(base->client_w, base->client_h, base->visible)) g_stale = true;
}

void repaint() {
    g_stale = true;
    compose();
}

}  // namespace plat::backend::web
