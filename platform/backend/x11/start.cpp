// Opening the desktop: SDL's video on the X display named by DISPLAY, the
// backend's own Xlib connection, and the table of this backend's functions.
// SDL left to itself falls back, where no X display answers, to a video driver
// that shows nothing, and the program would run on unseen: the backend asks
// SDL for X11 and reports a display it cannot open. A driver the user names in
// SDL_VIDEODRIVER is honoured.
#include "backend/x11/x11.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace plat::backend::x11 {

bool g_x11 = false;
Display* g_dpy = nullptr;

namespace {

bool g_answerable = false;

// A request that names a window gone a moment earlier (a race any X client
// can lose) must not end the program, as Xlib's default handler would.
int ignore_x_error(Display* d, XErrorEvent* e) {
    if (e->error_code != BadWindow && e->error_code != BadDrawable) {
        char text[128];
        XGetErrorText(d, e->error_code, text, sizeof text);
        std::fprintf(stderr, "X error: %s (request %d)\n", text, e->request_code);
    }
    return 0;
}

// What DISPLAY says, for a message.
std::string display_named() {
    const char* d = std::getenv("DISPLAY");
    return d && *d ? std::string("DISPLAY=") + d : "DISPLAY is not set";
}

const Backend kTable = {
    .name = "x11",
#define QX_BACKEND_FUNCTION QX_BACKEND_TABLE_ENTRY
#include "backend/functions.h"
};

const Backend* open(std::string* why) {
    XInitThreads();
    const char* driver_named = std::getenv("SDL_VIDEODRIVER");
    const bool named = driver_named && *driver_named;
    g_dpy = XOpenDisplay(nullptr);
    if (!g_dpy && !named) {
        const char* d = std::getenv("DISPLAY");
        *why = d && *d ? std::string("cannot open the X display that DISPLAY names (") + d + ")"
                       : "DISPLAY is not set, so there is no X display to show the window on";
        return nullptr;
    }
    // At normal priority, so that SDL_VIDEODRIVER still wins.
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    // Interrupt and terminate signals keep their default action: they end the
    // program, as they would any other.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        *why = "SDL cannot start its video (" + std::string(SDL_GetError()) + "; " + display_named() +
               (named ? ", SDL_VIDEODRIVER=" + std::string(driver_named) : "") + ")";
        if (g_dpy) XCloseDisplay(g_dpy);
        g_dpy = nullptr;
        return nullptr;
    }
    SDL_StopTextInput();
    const char* driver = SDL_GetCurrentVideoDriver();
    g_x11 = g_dpy && driver && std::strcmp(driver, "x11") == 0;
    // The drivers that draw into memory only: windows exist, nobody sees them.
    g_answerable = driver && std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0;
    if (g_x11) {
        XSetErrorHandler(ignore_x_error);
    } else if (g_dpy) {
        XCloseDisplay(g_dpy);
        g_dpy = nullptr;
    }
    return &kTable;
}

}  // namespace

bool boxes_answerable() { return g_answerable; }

// A box on the screen shows its own text.
void box_shown(const char*, const char*) {}

// Nothing is left behind: the desktop's windows go with the process.
void ending() {}

extern const Bootstrap bootstrap = {"x11", open};

}  // namespace plat::backend::x11
