// The program's end (TerminateProcess, exit) is told to the page, whose status
// line then says, under the canvas that keeps its last picture, that the
// program ended and with what status. The page cannot tell that end by
// itself: Emscripten reports the program's first sleep to it the same way.
#include "backend/web/web.h"

#include <emscripten.h>

namespace plat::backend::web {

namespace {
EM_JS(void, mark_ending, (), { Module.qxEnding = true; });
}  // namespace

void ending() { mark_ending(); }

}  // namespace plat::backend::web
