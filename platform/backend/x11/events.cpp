// Events: SDL's window, key and mouse events, reported to the layer's sink.
// Moves and resizes made by the user or the window manager are reported, so
// that the layer's outer rectangle follows them; those that arrive while the
// window manager is still carrying out the program's own placement are held
// back, and the latest is reported once it has settled.
#include "backend/x11/x11.h"

#include <thread>

namespace plat::backend::x11 {

namespace {

XWindow* window_of(Uint32 window_id) {
    SDL_Window* w = SDL_GetWindowFromID(window_id);
    return w ? static_cast<XWindow*>(SDL_GetWindowData(w, "plat")) : nullptr;
}

void report_move(XWindow* w, EventSink& sink, bool settled) {
    w->move_held = !settled;
    if (settled) sink.moved(w->owner, w->client_x, w->client_y);
}

void report_size(XWindow* w, EventSink& sink, bool settled) {
    w->size_held = !settled;
    if (settled) sink.resized(w->owner, w->client_w, w->client_h);
}

void window_event(const SDL_WindowEvent& e, EventSink& sink) {
    XWindow* w = window_of(e.windowID);
    if (!w) return;
    const bool settled = Clock::now() >= w->settle_until;
    switch (e.event) {
        case SDL_WINDOWEVENT_CLOSE: sink.close_requested(w->owner); break;
        case SDL_WINDOWEVENT_EXPOSED: sink.exposed(w->owner); break;
        case SDL_WINDOWEVENT_MOVED:
            // The client area's corner on the screen.
            w->client_x = e.data1;
            w->client_y = e.data2;
            report_move(w, sink, settled);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            w->client_w = e.data1;
            w->client_h = e.data2;
            report_size(w, sink, settled);
            break;
        default: break;
    }
}

}  // namespace

void pump(EventSink& sink) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
        switch (e.type) {
            case SDL_WINDOWEVENT: window_event(e.window, sink); break;
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                XWindow* w = window_of(e.key.windowID);
                int vk = vk_from_scancode(e.key.keysym.scancode);
                if (w && vk) sink.key(w->owner, vk, e.type == SDL_KEYDOWN, e.key.repeat != 0);
                break;
            }
            case SDL_MOUSEBUTTONDOWN:
            case SDL_MOUSEBUTTONUP: {
                XWindow* w = window_of(e.button.windowID);
                if (w && e.button.button == SDL_BUTTON_LEFT)
                    sink.mouse(w->owner, e.type == SDL_MOUSEBUTTONDOWN ? WM_LBUTTONDOWN : WM_LBUTTONUP, e.button.x,
                               e.button.y);
                break;
            }
            case SDL_MOUSEMOTION: {
                XWindow* w = window_of(e.motion.windowID);
                if (w) sink.mouse(w->owner, WM_MOUSEMOVE, e.motion.x, e.motion.y);
                break;
            }
            default: break;
        }
    }
    const auto now = Clock::now();
    for (XWindow* w : windows()) {
        if ((!w->move_held && !w->size_held) || now < w->settle_until) continue;
        if (w->move_held) report_move(w, sink, true);
        if (w->size_held) report_size(w, sink, true);
    }
}

void wait_events(int timeout_ms) {
    // Polls rather than blocking in SDL_WaitEventTimeout: SDL wakes that wait
    // with a message to the window it last waited for, which may be gone by
    // then (a message box closes and another opens).
    auto until = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < until) {
        SDL_PumpEvents();
        if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT)) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace plat::backend::x11
