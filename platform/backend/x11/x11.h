// The x11 backend's own header: its window, the connections it keeps, and the
// functions its files provide for the table in start.cpp and for one another.
// SDL2 makes the windows and reads their events; Xlib, on a connection of the
// backend's own, does what SDL does not give a Win32 program: outer-frame
// placement, the window manager's frame extents, a global keyboard state that
// needs no event pumping, and a presenter thread. Where SDL runs on another
// video driver (chosen by the user with SDL_VIDEODRIVER) the plain SDL paths
// stand in.
#pragma once

#include "backend/backend.h"

#include <SDL2/SDL.h>
#include <X11/Xlib.h>

#include <chrono>
#include <vector>

namespace plat::backend::x11 {

using Clock = std::chrono::steady_clock;

struct XWindow : Native {
    SDL_Window* sdl = nullptr;
    ::Window xid = 0;          // 0 where SDL does not run on X11
    Display* dpy = nullptr;    // SDL's connection, main thread only
    bool decorated = true;
    bool resizable = true;
    bool fullscreen = false;
    SurfaceHandoff* handoff = nullptr;  // from present on
    GC gc = nullptr;           // on the presenter's connection
    // Place and size reports that arrive while the window manager is still
    // carrying out the program's own placement describe an older state: they
    // are held back until then, and the latest is reported after.
    Clock::time_point settle_until{};
    bool move_held = false, size_held = false;
    int client_x = 0, client_y = 0, client_w = 0, client_h = 0;  // as SDL last reported
};

inline XWindow* xwin(Native* n) { return static_cast<XWindow*>(n); }

// ---- The seam's functions (backend/functions.h), each in the file of its
// concern: windows.cpp (create to activate), frame.cpp (frame_extents),
// presentation.cpp (present, present_sync), modes.cpp (the display modes,
// screen_size), cursor.cpp, keys.cpp (key_down), events.cpp (pump,
// wait_events), start.cpp (boxes_answerable, ending), clock.cpp (now_ms,
// sleep_ms) and audio.cpp (audio_open).
#define QX_BACKEND_FUNCTION QX_BACKEND_DECLARATION
#include "backend/functions.h"

// ---- What the files share besides
// start.cpp: opening the desktop
extern bool g_x11;       // SDL runs on X11
extern Display* g_dpy;   // the backend's connection (main thread): keys and the window manager

// windows.cpp
std::vector<XWindow*>& windows();  // every window create made and destroy has not ended

// frame.cpp: learns, once per kind, the frame the window manager gives w, just shown.
void learn_extents(XWindow* w);

// presentation.cpp: stops presenting w; nothing of the presenter's reaches w's window after.
void stop_presenting(XWindow* w);

// keys.cpp: the virtual key of an SDL scancode, 0 for keys the layer does not report.
int vk_from_scancode(SDL_Scancode sc);

}  // namespace plat::backend::x11
