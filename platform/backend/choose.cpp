// The choice of backend, made once, at the first call through the seam (in a
// program, while WinMain creates its window): the first entry of the table
// below that opens serves the whole run. When none opens, nothing the program
// draws could be seen and no question it asks answered, so it says why on
// standard error and ends with status 1 rather than run on unseen.
#include "backend/backend.h"

#include <cstdio>
#include <cstdlib>

namespace plat::backend {

#ifdef __EMSCRIPTEN__
namespace web {
extern const Bootstrap bootstrap;
}
#else
namespace x11 {
extern const Bootstrap bootstrap;
}
#endif

namespace {
// In order of preference. A backend joins by adding its entry here; a build
// for the browser has the browser's page alone.
#ifdef __EMSCRIPTEN__
const Bootstrap* const kBootstraps[] = {&web::bootstrap};
#else
const Bootstrap* const kBootstraps[] = {&x11::bootstrap};
#endif
}  // namespace

const Backend* g_chosen = nullptr;

namespace {
const Backend& take(const Backend* table) {
    g_chosen = table;
    if (table->ending) std::atexit(end_of_process);
    return *table;
}
}  // namespace

const Backend& choose() {
    std::string reasons;
    for (const Bootstrap* b : kBootstraps) {
        std::string why;
        if (const Backend* table = b->open(&why)) return take(table);
        reasons += reasons.empty() ? "" : "; ";
        reasons += why;
    }
    std::fprintf(stderr, "qx: %s\n", reasons.c_str());
    std::fflush(nullptr);
    std::exit(1);
}

void end_of_process() {
    static bool ended = false;
    if (ended || !g_chosen || !g_chosen->ending) return;
    ended = true;
    g_chosen->ending();
}

}  // namespace plat::backend
