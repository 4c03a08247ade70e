// GetAsyncKeyState: the desktop-wide state of a key, read from the backend at
// the moment of the call, independent of the message queue and of which
// window has the focus. Keys a test holds (seams/) count as well.
#include "backend/backend.h"
#include "seams/state.h"

#include <windows.h>

extern "C" SHORT WINAPI GetAsyncKeyState(int vk) {
    if (vk <= 0 || vk > 255) return 0;
    const bool* held = plat::seam::state().keys;
    bool down = held[vk];
    // The generic Shift, Ctrl and Alt keys are down when either side is.
    if (!down && vk == VK_SHIFT) down = held[VK_LSHIFT] || held[VK_RSHIFT];
    if (!down && vk == VK_CONTROL) down = held[VK_LCONTROL] || held[VK_RCONTROL];
    if (!down) down = plat::backend::current().key_down(vk);
    return down ? SHORT(0x8000) : SHORT(0);
}
