// Opening the browser page: the page's events, keys and display modes are
// listened to from the start, and the table of this backend's functions.
// Someone is looking at the page, so message boxes can be answered.
#include "backend/web/web.h"

namespace plat::backend::web {

namespace {

const Backend kTable = {
    .name = "web",
#define QX_BACKEND_FUNCTION QX_BACKEND_TABLE_ENTRY
#include "backend/functions.h"
};

const Backend* open(std::string*) {
    start_events();
    start_keys();
    start_modes();
    return &kTable;
}

}  // namespace

bool boxes_answerable() { return true; }

// A box on the screen shows its own text.
void box_shown(const char*, const char*) {}

extern const Bootstrap bootstrap = {"web", open};

}  // namespace plat::backend::web
