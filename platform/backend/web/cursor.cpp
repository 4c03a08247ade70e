// The cursor over the canvas: the standard arrow, or none.
#include "backend/web/web.h"

#include <emscripten.h>

namespace plat::backend::web {

namespace {
EM_JS(void, set_canvas_cursor, (int visible), { Module.canvas.style.cursor = visible ? "default" : "none"; });
}  // namespace

void show_cursor(bool visible) { set_canvas_cursor(visible); }

}  // namespace plat::backend::web
