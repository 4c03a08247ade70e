// The web backend's own header: its windows, and the functions its files
// provide for the table in start.cpp and for one another. The program runs
// on the browser's one thread under ASYNCIFY: every sleep, yield and wait
// unwinds the program's stack and lets the page run (events, animation
// frames), then resumes it. The first window without an owner is shown on the page's
// canvas; later windows (message boxes) are drawn over it, with a frame the
// backend draws, at their place relative to its client area.
#pragma once

#include "backend/backend.h"

#include <string>
#include <vector>

namespace plat::backend::web {

struct WebWindow : Native {
    int x = 0, y = 0;                  // the outer corner, in screen coordinates
    int client_w = 1, client_h = 1;
    bool decorated = true, resizable = true, topmost = false, visible = false;
    std::string title;                 // UTF-8
    WebWindow* transient_for = nullptr;
    SurfaceHandoff* handoff = nullptr; // from present on
    std::vector<uint32_t> rgba;        // the surface in the canvas's byte order, reused
};

inline WebWindow* wwin(Native* n) { return static_cast<WebWindow*>(n); }

// ---- The seam's functions (backend/functions.h), each in the file of its
// concern: windows.cpp (create to activate), frame.cpp (frame_extents),
// presentation.cpp (present, present_sync), modes.cpp (the display modes,
// screen_size), cursor.cpp, keys.cpp (key_down), events.cpp (pump,
// wait_events), start.cpp (boxes_answerable), clock.cpp (now_ms, sleep_ms),
// audio.cpp (audio_open) and ending.cpp.
#define QX_BACKEND_FUNCTION QX_BACKEND_DECLARATION
#include "backend/functions.h"

// ---- What the files share besides
// windows.cpp
// Every window create made and destroy has not ended, bottom first.
std::vector<WebWindow*>& windows();
// The window the canvas shows (the first without an owner), or nullptr.
WebWindow* canvas_window();
// The window that gets the keys: the one activated last, or nullptr.
WebWindow* key_window();

// frame.cpp: draws w's frame (the backend draws the frames of the windows
// over the canvas) with its outer corner at canvas position (x, y).
void draw_frame(const WebWindow& w, int x, int y);

// presentation.cpp
// The canvas takes the size of the window it shows, and its place on the
// page the largest whole multiple of that size that fits.
void fit_canvas();
// Puts everything on the canvas again now (a window over the canvas went).
void repaint();

// events.cpp
void start_events();
// A key went down or up in the page (from keys.cpp).
void queue_key(int vk, bool down, bool repeat);
// Wakes a wait_events that is waiting.
void wake();

// keys.cpp
void start_keys();
// Every held key goes up, reported as released (the page lost the focus).
void release_keys();

// modes.cpp
void start_modes();

// clock.cpp
// Lets the page run for a moment (its events, its animation frames), at
// once if nothing is waiting; far cheaper than a sleep of 0.
void yield_to_page();
// The program let the page run just now (a wait that returned).
void note_yield();
// Milliseconds since the program last let the page run.
double since_last_yield();
// Whether the program has slept yet (its first frame is drawn by then).
bool program_has_slept();

}  // namespace plat::backend::web
