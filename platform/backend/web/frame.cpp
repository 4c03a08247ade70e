// The frame of the windows drawn over the canvas (message boxes): a border
// and a caption bar with the window's title, drawn by the backend, as a
// window manager would. The canvas's own window has the page around it
// instead, and its title is the page's; it is given the same extents so that
// AdjustWindowRect and the window's outer rectangle agree on every window.
#include "backend/web/web.h"

#include <emscripten.h>

namespace plat::backend::web {

namespace {

constexpr int kBorder = 1, kCaption = 22;

EM_JS(void, draw_caption, (int x, int y, int w, int h, int border, int caption, const char* title), {
    var c = Module.canvas.getContext("2d");
    c.fillStyle = "#404040";
    c.fillRect(x, y, w, h);
    c.fillStyle = "#2c5d9a";
    c.fillRect(x + border, y + border, w - 2 * border, caption);
    c.fillStyle = "#ffffff";
    c.font = "13px sans-serif";
    c.textBaseline = "middle";
    c.fillText(UTF8ToString(title), x + border + 8, y + border + caption / 2, Math.max(1, w - 2 * border - 16));
});

}  // namespace

Extents frame_extents(bool decorated, bool) {
    if (!decorated) return {};
    return Extents{kBorder, kBorder + kCaption, kBorder, kBorder};
}

void draw_frame(const WebWindow& w, int x, int y) {
    if (!w.decorated) return;
    const Extents e = frame_extents(true, w.resizable);
    draw_caption(x, y, w.client_w + e.left + e.right, w.client_h + e.top + e.bottom, kBorder, kCaption,
                 w.title.c_str());
}

}  // namespace plat::backend::web
