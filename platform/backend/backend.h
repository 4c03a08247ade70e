// The seam between the Win32 layer and the desktop: native windows, their
// presentation, the window manager's frame, display modes, the cursor, the
// global keyboard and native events. The SDL2 + X11 implementation is in
// sdl_x11.cpp; nothing above this header includes SDL or Xlib.
#pragma once

#include <mutex>

namespace plat {
struct Surface;
struct Window;
}

namespace plat::backend {

struct Native;

struct Extents { int left = 0, top = 0, right = 0, bottom = 0; };

struct WindowSpec {
    const char* title_utf8 = "";
    int x = 0, y = 0;                 // outer top-left corner
    int client_w = 1, client_h = 1;
    bool decorated = true, resizable = true, topmost = false;
};

// What the backend reports while pumping; the message queue turns these into
// window messages.
struct EventSink {
    virtual void close_requested(Window* w) = 0;
    virtual void key(Window* w, int vk, bool down, bool repeat) = 0;
    virtual void exposed(Window* w) = 0;
    virtual void resized(Window* w, int client_w, int client_h) = 0;
    virtual void mouse(Window* w, unsigned msg, int x, int y) = 0;
    virtual void focus(Window* w, bool gained) = 0;
    virtual ~EventSink() = default;
};

// False when no video device could be opened (then windows exist only as
// layer state, and drawing on them still works).
bool available();

Native* create(Window* owner, const WindowSpec& spec);
void destroy(Native* n);
void set_title(Native* n, const char* utf8);
void set_frame(Native* n, bool decorated, bool resizable);
void set_topmost(Native* n, bool topmost);
void set_transient_for(Native* n, Native* owner);
// Places the outer frame's corner at (x, y) with the given client size.
void move_resize(Native* n, int x, int y, int client_w, int client_h);
void show(Native* n, bool visible);
void activate(Native* n);

// The window manager's frame around a window of that kind.
Extents frame_extents(bool decorated, bool resizable);

// From registration until destroy, the surface reaches the screen within a
// frame period of being drawn on, from a thread of the backend's own. Hold the
// lock while reallocating the surface.
void present(Native* n, Surface* s);
std::mutex& surface_lock(Native* n);
// One presentation of the surface now, waiting for the display server.
void present_sync(Native* n);

bool mode_available(int w, int h);
bool enter_fullscreen(Native* n, int w, int h);
void leave_fullscreen();
void screen_size(int* w, int* h);

void show_cursor(bool visible);

// Whether the key with this virtual-key code is down anywhere on the desktop.
bool key_down(int vk);

void pump(EventSink& sink);
void wait_events(int timeout_ms);

}  // namespace plat::backend
