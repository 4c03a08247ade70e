// ChangeDisplaySettingsA, the cursor and screen metrics. A temporary
// full-screen switch is carried out through the backend's display modes; on
// Windows it changes the desktop's mode until ChangeDisplaySettingsA(NULL, 0).
#include "user/display.h"

#include "backend/backend.h"
#include "user/window.h"

namespace plat {

namespace {
bool g_pending = false;
int g_mode_w = 0, g_mode_h = 0;

// The single stock arrow cursor; LoadCursorA hands out this value.
HCURSOR arrow_cursor() { return reinterpret_cast<HCURSOR>(uintptr_t(0x7F00) << 16 | 1); }
}  // namespace

bool take_fullscreen(Window* w) {
    if (!g_pending || decorated_style(w->style)) return false;
    if (w->outer.left != 0 || w->outer.top != 0 || w->outer.right != g_mode_w || w->outer.bottom != g_mode_h)
        return false;
    return backend::current().enter_fullscreen(w->native, g_mode_w, g_mode_h);
}

}  // namespace plat

using namespace plat;

extern "C" LONG WINAPI ChangeDisplaySettingsA(DEVMODEA* dm, DWORD flags) {
    if (!dm) {
        if (flags != 0) return DISP_CHANGE_BADMODE;
        g_pending = false;
        backend::current().leave_fullscreen();
        return DISP_CHANGE_SUCCESSFUL;
    }
    if (dm->dmSize < offsetof(DEVMODEA, dmICMMethod)) return DISP_CHANGE_BADMODE;
    int cur_w = 0, cur_h = 0;
    backend::current().screen_size(&cur_w, &cur_h);
    int w = (dm->dmFields & DM_PELSWIDTH) ? int(dm->dmPelsWidth) : cur_w;
    int h = (dm->dmFields & DM_PELSHEIGHT) ? int(dm->dmPelsHeight) : cur_h;
    if (w <= 0 || h <= 0 || !backend::current().mode_available(w, h)) return DISP_CHANGE_BADMODE;
    if (flags & CDS_TEST) return DISP_CHANGE_SUCCESSFUL;
    g_pending = true;
    g_mode_w = w;
    g_mode_h = h;
    for (Window* win : all_windows()) take_fullscreen(win);
    return DISP_CHANGE_SUCCESSFUL;
}

extern "C" HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name) {
    // Only the system arrow is provided; cursors from resources are not.
    if (instance || name != IDC_ARROW) return nullptr;
    return arrow_cursor();
}

extern "C" HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    static HCURSOR current = arrow_cursor();
    HCURSOR old = current;
    current = cursor;
    backend::current().show_cursor(cursor != nullptr);
    return old;
}

extern "C" int WINAPI GetSystemMetrics(int index) {
    int w = 0, h = 0;
    backend::current().screen_size(&w, &h);
    if (index == SM_CXSCREEN) return w;
    if (index == SM_CYSCREEN) return h;
    if (index == SM_CXMAXTRACK || index == SM_CYMAXTRACK) {
        backend::Extents e = backend::current().frame_extents(true, true);
        return index == SM_CXMAXTRACK ? w + e.left + e.right : h + e.top + e.bottom;
    }
    return 0;
}
