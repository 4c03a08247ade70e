// Display modes: the browser cannot change the display's mode, but it can
// show the page's screen (the canvas on black) full screen, where the canvas
// takes the largest whole multiple of its size that fits. So every size up
// to the screen's is a mode, where the browser offers full screen at all.
// Browsers enter full screen only in answer to the user (a key press or a
// click): a request made at another moment is carried out at the next one.
// When the user leaves full screen (Esc), the request is over.
#include "backend/web/web.h"

#include <emscripten.h>

namespace plat::backend::web {

namespace {

EM_JS(void, listen_for_gestures, (), {
    var screen = document.getElementById("screen");
    var gesture = function() {
        if (Module.qxFullscreenWanted && !document.fullscreenElement)
            screen.requestFullscreen().catch(function() {});
    };
    window.addEventListener("keydown", gesture, true);
    window.addEventListener("mousedown", gesture, true);
    document.addEventListener("fullscreenchange", function() {
        if (document.fullscreenElement) Module.qxWasFullscreen = true;
        else if (Module.qxWasFullscreen) Module.qxFullscreenWanted = false;
    });
});

EM_JS(int, fullscreen_offered, (), { return document.fullscreenEnabled ? 1 : 0; });

EM_JS(void, want_fullscreen, (int wanted), {
    Module.qxFullscreenWanted = !!wanted;
    Module.qxWasFullscreen = false;
    var screen = document.getElementById("screen");
    if (wanted && !document.fullscreenElement && navigator.userActivation && navigator.userActivation.isActive)
        screen.requestFullscreen().catch(function() {});
    if (!wanted && document.fullscreenElement) document.exitFullscreen().catch(function() {});
});

EM_JS(int, screen_dimension, (int height), { return height ? window.screen.height : window.screen.width; });

}  // namespace

void start_modes() { listen_for_gestures(); }

bool mode_available(int w, int h) {
    int sw = 0, sh = 0;
    screen_size(&sw, &sh);
    return fullscreen_offered() && w > 0 && h > 0 && w <= sw && h <= sh;
}

bool enter_fullscreen(Native* n, int, int) {
    if (!wwin(n) || wwin(n) != canvas_window() || !fullscreen_offered()) return false;
    want_fullscreen(1);
    return true;
}

void leave_fullscreen() { want_fullscreen(0); }

void screen_size(int* w, int* h) {
    *w = screen_dimension(0);
    *h = screen_dimension(1);
}

}  // namespace plat::backend::web
