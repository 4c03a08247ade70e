// Keys: the page's keydown and keyup, whose key codes are the Win32 virtual
// keys for every key the runtime polls, kept as the key state and queued as
// key events. Left and right Shift, Ctrl and Alt also count as the generic
// key. When the page loses the focus every held key is released, since the
// page hears nothing of keys released elsewhere.
//
// The page keeps what the browser and the user need (shortcuts with Ctrl,
// Alt or Meta, and F5, F11, F12); every other key goes to the program alone,
// so that arrows and space do not scroll the page. Once the program has
// ended, every key is the browser's again.
//
// key_down is what getch spins on: now and then it lets the page run, or no
// key event could ever arrive and the tab would freeze.
#include "backend/web/web.h"

#include <emscripten/html5.h>

#include <windows.h>

namespace plat::backend::web {

namespace {

// Often enough for the page's events and animation frames, rarely enough to
// cost nothing a frame loop would notice (a turn costs about 0.06 ms).
constexpr double kYieldEveryMs = 4;

// Virtual keys the layer's windows.h has no name for.
constexpr int kLeftAlt = 0xA4, kRightAlt = 0xA5, kInputMethod = 0xE5;

bool g_down[256];

// The generic keys with a left and a right key.
struct Sides { int generic, left, right; };
constexpr Sides kSided[] = {
    {VK_SHIFT, VK_LSHIFT, VK_RSHIFT},
    {VK_CONTROL, VK_LCONTROL, VK_RCONTROL},
    {VK_MENU, kLeftAlt, kRightAlt},
};

void set_key(int vk, bool down, bool repeat) {
    g_down[vk] = down;
    queue_key(vk, down, repeat);
}

bool browser_keeps(const EmscriptenKeyboardEvent& e, int vk) {
    return e.ctrlKey || e.altKey || e.metaKey || vk == VK_F1 + 4 || vk == VK_F1 + 10 || vk == VK_F12;
}

EM_BOOL on_key(int type, const EmscriptenKeyboardEvent* e, void*) {
    const int vk = int(e->keyCode);
    if (vk <= 0 || vk > 254 || vk == kInputMethod) return EM_FALSE;
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    bool generic_down = down;
    for (const Sides& s : kSided) {
        if (vk != s.generic) continue;
        const bool right = e->location == DOM_KEY_LOCATION_RIGHT;
        g_down[right ? s.right : s.left] = down;
        generic_down = g_down[s.left] || g_down[s.right];  // down while either side is
    }
    set_key(vk, generic_down, e->repeat != 0);
    if (!canvas_window()) return EM_FALSE;
    return browser_keeps(*e, vk) ? EM_FALSE : EM_TRUE;
}

}  // namespace

void start_keys() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on_key);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, on_key);
}

bool key_down(int vk) {
    if (vk <= 0 || vk > 255) return false;
    if (since_last_yield() >= kYieldEveryMs) yield_to_page();
    return g_down[vk];
}

void release_keys() {
    for (const Sides& s : kSided) g_down[s.left] = g_down[s.right] = false;  // events name the generic key
    for (int vk = 1; vk < 256; ++vk)
        if (g_down[vk]) set_key(vk, false, false);
}

}  // namespace plat::backend::web
