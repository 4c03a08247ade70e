// Opening the browser page: the page's events, keys and display modes are
// listened to from the start, and the table of this backend's functions.
// Someone is looking at the page, so message boxes can be answered.
#include "backend/web/web.h"

namespace plat::backend::web {

namespace {

bool boxes_answerable() { return true; }

const Backend kTable = {
    .name = "web",
    .create = create,
    .destroy = destroy,
    .set_title = set_title,
    .set_frame = set_frame,
    .set_topmost = set_topmost,
    .set_transient_for = set_transient_for,
    .move_resize = move_resize,
    .show = show,
    .activate = activate,
    .frame_extents = frame_extents,
    .present = present,
    .present_sync = present_sync,
    .mode_available = mode_available,
    .enter_fullscreen = enter_fullscreen,
    .leave_fullscreen = leave_fullscreen,
    .screen_size = screen_size,
    .show_cursor = show_cursor,
    .key_down = key_down,
    .pump = pump,
    .wait_events = wait_events,
    .boxes_answerable = boxes_answerable,
    .box_shown = nullptr,
    .now_ms = now_ms,
    .sleep_ms = sleep_ms,
    .ending = ending,
};

const Backend* open(std::string*) {
    start_events();
    start_keys();
    start_modes();
    return &kTable;
}

}  // namespace

extern const Bootstrap bootstrap = {"web", open};

}  // namespace plat::backend::web
