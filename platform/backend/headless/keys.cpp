// Keys: held and let go by the script only. Reading one is a poll, and moves
// the clock on, so that a getch spinning on the keys reaches the script's
// next event, or, past the last one, ends the run as waiting for a key.
#include "backend/headless/headless.h"

#include <windows.h>

namespace plat::backend::headless {

namespace {
bool g_down[256];
}

void set_key(int vk, bool down) {
    if (vk > 0 && vk < 256) g_down[vk] = down;
}

bool key_down(int vk) {
    advance_us(kPollUs);
    polled_keys();
    if (vk <= 0 || vk > 255) return false;
    // The generic Shift and Ctrl keys are down when either side is.
    switch (vk) {
        case VK_SHIFT: return g_down[VK_SHIFT] || g_down[VK_LSHIFT] || g_down[VK_RSHIFT];
        case VK_CONTROL: return g_down[VK_CONTROL] || g_down[VK_LCONTROL] || g_down[VK_RCONTROL];
        default: return g_down[vk];
    }
}

}  // namespace plat::backend::headless
