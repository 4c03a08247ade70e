// GetAsyncKeyState: the desktop-wide state of a key, read from the backend at
// the moment of the call, independent of the message queue and of which
// window has the focus. Tests may add held keys through the seam.
#include "backend/backend.h"

#include <layer_seams.h>
#include <windows.h>

namespace plat {
namespace {
bool g_injected[256];
}
}  // namespace plat

void plat::seam::press_key(int vk, bool down) {
    if (vk > 0 && vk < 256) g_injected[vk] = down;
}

void plat::seam::release_all_keys() {
    for (bool& k : g_injected) k = false;
}

extern "C" SHORT WINAPI GetAsyncKeyState(int vk) {
    if (vk <= 0 || vk > 255) return 0;
    bool down = plat::g_injected[vk];
    // The generic Shift, Ctrl and Alt keys are down when either side is.
    if (!down && vk == VK_SHIFT) down = plat::g_injected[VK_LSHIFT] || plat::g_injected[VK_RSHIFT];
    if (!down && vk == VK_CONTROL) down = plat::g_injected[VK_LCONTROL] || plat::g_injected[VK_RCONTROL];
    if (!down) down = plat::backend::current().key_down(vk);
    return down ? SHORT(0x8000) : SHORT(0);
}
