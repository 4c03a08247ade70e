// The choice of backend, made once, at the first call through the seam (in a
// program, by main before WinMain). QX_HEADLESS=1 asks for the headless
// backend and QX_HEADLESS=0 for a desktop. Otherwise the first desktop of
// the table below that opens serves the whole run, and where none opens the
// run goes headless, saying so in one line. Where a desktop was asked for and
// none opens, nothing the program draws could be seen and no question it
// asks answered, so it says why on standard error and ends with status 1
// rather than run on unseen. A build for the browser has the browser's page
// alone: no desktop, and no headless run (its environment is the page's).
#include "backend/backend.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plat::backend {

#ifdef __EMSCRIPTEN__
namespace web {
extern const Bootstrap bootstrap;
}
#else
namespace x11 {
extern const Bootstrap bootstrap;
}
namespace headless {
extern const Bootstrap bootstrap;
}
#endif

namespace {

[[noreturn]] void refuse(int status, const std::string& why) {
    std::fprintf(stderr, "qx: %s\n", why.c_str());
    std::fflush(nullptr);
    std::exit(status);
}

// From exit(): the streams are flushed first, as exit() would after its
// handlers, in case the backend ends the process with a status of its own.
void at_exit() {
    std::fflush(nullptr);
    end_of_process();
}

const Backend& take(const Backend* table) {
    g_chosen = table;
    std::atexit(at_exit);
    return *table;
}

#ifndef __EMSCRIPTEN__
// The desktops, in order of preference. A backend joins by adding its entry here.
const Bootstrap* const kDesktops[] = {&x11::bootstrap};

bool set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

const Backend& open_headless() {
    std::string why;
    const Backend* table = headless::bootstrap.open(&why);
    if (!table) refuse(1, why);
    return take(table);
}
#endif

}  // namespace

const Backend* g_chosen = nullptr;

#ifdef __EMSCRIPTEN__
const Backend& choose() {
    std::string why;
    const Backend* table = web::bootstrap.open(&why);
    if (!table) refuse(1, why);
    return take(table);
}
#else
const Backend& choose() {
    const char* headless_env = std::getenv("QX_HEADLESS");
    const std::string wanted = headless_env ? headless_env : "";
    if (wanted != "" && wanted != "0" && wanted != "1")
        refuse(2, "QX_HEADLESS=" + wanted + " is not understood: 1 runs headless, 0 on the desktop only; "
                  "unset, on the desktop where there is one");
    if (wanted == "1") return open_headless();

    std::string reasons;
    for (const Bootstrap* b : kDesktops) {
        std::string why;
        if (const Backend* table = b->open(&why)) {
            if (set("QX_SCRIPT") || set("QX_EXIT_SHOT") || set("QX_TIME_LIMIT") || set("QX_AUDIO_SHOT"))
                std::fprintf(stderr, "qx: QX_SCRIPT, QX_EXIT_SHOT, QX_AUDIO_SHOT and QX_TIME_LIMIT are played by "
                                     "headless runs only "
                                     "(QX_HEADLESS=1); this run is on the desktop\n");
            return take(table);
        }
        reasons += reasons.empty() ? "" : "; ";
        reasons += why;
    }
    if (wanted == "0") refuse(1, reasons);
    std::fprintf(stderr, "qx: %s; running headless instead (QX_HEADLESS=0 makes this an error)\n", reasons.c_str());
    return open_headless();
}
#endif

void start() { current(); }

void end_of_process() {
    static bool ended = false;
    if (ended || !g_chosen) return;
    ended = true;
    g_chosen->ending();
}

}  // namespace plat::backend
