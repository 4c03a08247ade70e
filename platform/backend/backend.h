// The seam between the Win32 layer and whatever shows its windows: one table
// of functions that a backend fills (windows, the window manager's frame,
// presentation, display modes, the cursor, key state, events, the clock and
// sleeping), and the choice of backend, made once, at the first call through
// the seam. Each backend lives in a folder of its own (x11/: SDL2 + Xlib;
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
    virtual void focus(Window* w, bool gained) = 0;
    virtual ~EventSink() = default;
};

// The functions a backend provides, in one table it fills. Every function
// that takes a Native* accepts nullptr (a window create could not make) and
// then does nothing. All are called on the program's one thread.
struct Backend {
    const char* name;

    // ---- Windows
    // A new window, hidden until shown, or nullptr when none can be made
    // (the layer's window then lives on without one, and drawing on it works).
    Native* (*create)(Window* owner, const WindowParams& params);
    void (*destroy)(Native* n);
    void (*set_title)(Native* n, const char* utf8);
    void (*set_frame)(Native* n, bool decorated, bool resizable);
    void (*set_topmost)(Native* n, bool topmost);
    void (*set_transient_for)(Native* n, Native* owner);
    // Places the outer frame's corner at (x, y) with the given client size.
    void (*move_resize)(Native* n, int x, int y, int client_w, int client_h);
    void (*show)(Native* n, bool visible);
    void (*activate)(Native* n);

    // ---- The window manager's frame
    // The frame around a window of that kind; zero where there is none.
    Extents (*frame_extents)(bool decorated, bool resizable);

    // ---- Presentation
    // From this call until destroy, what is drawn on the hand-off's surface
    // reaches the screen within a frame period (16 ms), whether or not the
    // program pumps messages, and only when it changed or was uncovered.
    void (*present)(Native* n, SurfaceHandoff* handoff);
    // One presentation now, returning once the display has taken it (for
    // measuring what presenting costs).
    void (*present_sync)(Native* n);

    // ---- Display modes
    bool (*mode_available)(int w, int h);
    // Makes n cover the screen in that mode; false when it cannot.
    bool (*enter_fullscreen)(Native* n, int w, int h);
    // Every window back from full screen; the display back in its own mode.
    void (*leave_fullscreen)();
    void (*screen_size)(int* w, int* h);

    // ---- The cursor: the standard arrow, or none
    void (*show_cursor)(bool visible);

    // ---- Keys
    // Whether the key with this virtual-key code (1 to 255) is down, wherever
    // the focus is, with no event pumping. getch spins on this: it must be
    // cheap, and a backend that has to let its host run (a browser) yields
    // here now and then.
    bool (*key_down)(int vk);

    // ---- Events
    // Reports to sink what happened since the last call; never waits.
    void (*pump)(EventSink& sink);
    // Returns when events are waiting or timeout_ms has passed. Modal loops
    // (GetMessageA, a message box) wait here.
    void (*wait_events)(int timeout_ms);
    // Whether anyone can see a window and answer a message box. Where no one
    // can, MessageBoxA says its text on standard error and fails at once,
    // rather than wait for an answer that cannot come.
    bool (*boxes_answerable)();

    // ---- Time
    // Milliseconds from an arbitrary start, wrapping at 2^32 (timeGetTime).
    uint32_t (*now_ms)();
    // Returns ms milliseconds later; 0 gives up the rest of the time slice.
    void (*sleep_ms)(uint32_t ms);

    // ---- The end
    // The process is ending, through TerminateProcess or exit(): the
    // backend's last chance to leave something behind (a headless run's exit
    // shot). Called at most once; nullptr where there is nothing to do.
    void (*ending)();
};

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
