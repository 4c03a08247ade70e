// The seam between the Win32 layer and whatever shows its windows: one table
// of functions that a backend fills (functions.h: windows, the window
// manager's frame, presentation, display modes, the cursor, key state,
// events, the clock and sleeping, sound, the end), and the choice of backend, made
// once, at the first call through the seam. Each backend lives in a folder of its own (x11/: SDL2 + Xlib;
// headless/: in memory, in virtual time; web/: a canvas in a browser); code
// above this header includes none of their headers and never asks which
// backend runs.
#pragma once

#include "backend/handoff.h"
#include "backend/start.h"

// Keys are named by their Win32 virtual-key codes and mouse events by their
// window messages, here and in every backend.
#include <windows.h>

#include <cstdint>
#include <string>

namespace plat {
struct Window;
}

namespace plat::backend {

// A backend's own window. Each backend derives its window type from this;
// only the backend looks past these fields.
struct Native {
    Window* owner = nullptr;  // the layer's window, named in the events reported for it
};

struct Extents { int left = 0, top = 0, right = 0, bottom = 0; };

struct WindowParams {
    const char* title_utf8 = "";
    int x = 0, y = 0;                 // outer top-left corner
    int client_w = 1, client_h = 1;
    bool decorated = true, resizable = true, topmost = false;
};

// What a backend reports while pumping; the message queue turns these into
// window messages and the layer's windows follow them.
struct EventSink {
    virtual void close_requested(Window* w) = 0;
    virtual void key(Window* w, int vk, bool down, bool repeat) = 0;
    virtual void exposed(Window* w) = 0;
    // The user or the window manager moved the window: its client area's
    // top-left corner is now at (client_x, client_y) on the screen.
    virtual void moved(Window* w, int client_x, int client_y) = 0;
    // The user or the window manager resized the window's client area.
    virtual void resized(Window* w, int client_w, int client_h) = 0;
    virtual void mouse(Window* w, unsigned msg, int x, int y) = 0;  // client coordinates
    virtual ~EventSink() = default;
};

// What an audio device calls for frames frames of sound, 16-bit stereo
// interleaved: it fills every one.
using AudioPull = void (*)(int16_t* out, int frames);

// The functions a backend provides (functions.h), in one table it fills.
struct Backend {
    const char* name;
#define QX_BACKEND_FUNCTION(result, function, parameters) result(*function) parameters;
#include "backend/functions.h"
};

// What a backend writes to declare the list's functions in its own
// namespace (in its header) and to fill its table with them (in start.cpp):
//
//     #define QX_BACKEND_FUNCTION QX_BACKEND_DECLARATION
//     #include "backend/functions.h"
//
//     const Backend kTable = {
//         .name = "x11",
//     #define QX_BACKEND_FUNCTION QX_BACKEND_TABLE_ENTRY
//     #include "backend/functions.h"
//     };
#define QX_BACKEND_DECLARATION(result, function, parameters) result function parameters;
#define QX_BACKEND_TABLE_ENTRY(result, function, parameters) .function = function,

// A backend as the choice sees it, one entry of the choice's table.
struct Bootstrap {
    const char* name;
    // Opens the backend and returns its filled table; or returns nullptr and
    // sets why to one line for the user that says what is missing. What the
    // environment asks of a backend that is wrong (a malformed key script)
    // is the user's mistake, not a missing desktop: the backend says so on
    // standard error and ends the program with status 2.
    const Backend* (*open)(std::string* why);
};

extern const Backend* g_chosen;
// Opens the backend the environment asks for (QX_HEADLESS), or the first
// desktop of the choice's table that can run here, or else the headless
// backend, saying so; in a browser, the page. When none may run, says why on
// standard error and ends the program with status 1.
const Backend& choose();

// Calls the chosen backend's ending, once (TerminateProcess; exit() reaches
// it through an exit handler the choice registers).
void end_of_process();

// The backend in use, chosen at the first call.
inline const Backend& current() { return g_chosen ? *g_chosen : choose(); }

}  // namespace plat::backend
