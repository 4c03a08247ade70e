// Keys: the virtual keys of SDL's scancodes (for key events) and of X's
// keysyms, and the global key state. On X11 the state is the X server's own
// keyboard (XQueryKeymap), so a key counts wherever the focus is and no event
// pumping is needed; elsewhere it is SDL's, which follows only the focused
// window.
#include "backend/x11/x11.h"

#include <X11/keysym.h>

namespace plat::backend::x11 {

namespace {

// The X keysyms whose keys make up a virtual key. The main cursor keys and
// the keypad are separate keys, as Windows reports them with Num Lock on.
void keysyms_for(int vk, std::vector<KeySym>& out) {
    out.clear();
    if (vk >= 'A' && vk <= 'Z') return out.push_back(XK_a + (vk - 'A'));
    if (vk >= '0' && vk <= '9') return out.push_back(XK_0 + (vk - '0'));
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return out.push_back(XK_KP_0 + (vk - VK_NUMPAD0));
    if (vk >= VK_F1 && vk <= VK_F12) return out.push_back(XK_F1 + (vk - VK_F1));
    switch (vk) {
        case VK_RETURN: out = {XK_Return, XK_KP_Enter}; break;
        case VK_ESCAPE: out = {XK_Escape}; break;
        case VK_SPACE: out = {XK_space}; break;
        case VK_TAB: out = {XK_Tab}; break;
        case VK_BACK: out = {XK_BackSpace}; break;
        case VK_UP: out = {XK_Up}; break;
        case VK_DOWN: out = {XK_Down}; break;
        case VK_LEFT: out = {XK_Left}; break;
        case VK_RIGHT: out = {XK_Right}; break;
        case VK_SHIFT: out = {XK_Shift_L, XK_Shift_R}; break;
        case VK_LSHIFT: out = {XK_Shift_L}; break;
        case VK_RSHIFT: out = {XK_Shift_R}; break;
        case VK_CONTROL: out = {XK_Control_L, XK_Control_R}; break;
        case VK_LCONTROL: out = {XK_Control_L}; break;
        case VK_RCONTROL: out = {XK_Control_R}; break;
        case VK_MENU: out = {XK_Alt_L, XK_Alt_R}; break;
        case VK_CAPITAL: out = {XK_Caps_Lock}; break;
        case VK_NUMLOCK: out = {XK_Num_Lock}; break;
        case VK_INSERT: out = {XK_Insert}; break;
        case VK_DELETE: out = {XK_Delete}; break;
        case VK_HOME: out = {XK_Home}; break;
        case VK_END: out = {XK_End}; break;
        case VK_PRIOR: out = {XK_Prior}; break;
        case VK_NEXT: out = {XK_Next}; break;
        default: break;
    }
}

bool x_key_down(int vk) {
    // One server round trip serves every key asked about within the same
    // millisecond: a keyboard poll asks for about forty keys at once.
    static char keys[32];
    static Clock::time_point stamp;
    auto now = Clock::now();
    if (now - stamp >= std::chrono::milliseconds(1)) {
        XQueryKeymap(g_dpy, keys);
        stamp = now;
    }
    static std::vector<KeyCode> codes[256];
    static bool known[256];
    if (!known[vk]) {
        std::vector<KeySym> syms;
        keysyms_for(vk, syms);
        for (KeySym ks : syms)
            if (KeyCode kc = XKeysymToKeycode(g_dpy, ks)) codes[vk].push_back(kc);
        known[vk] = true;
    }
    for (KeyCode kc : codes[vk])
        if (keys[kc >> 3] & (1 << (kc & 7))) return true;
    return false;
}

bool sdl_key_down(int vk) {
    SDL_PumpEvents();
    const Uint8* state = SDL_GetKeyboardState(nullptr);
    for (int sc = 0; sc < SDL_NUM_SCANCODES; ++sc)
        if (state[sc] && vk_from_scancode(SDL_Scancode(sc)) == vk) return true;
    return false;
}

}  // namespace

int vk_from_scancode(SDL_Scancode sc) {
    if (sc >= SDL_SCANCODE_A && sc <= SDL_SCANCODE_Z) return 'A' + (sc - SDL_SCANCODE_A);
    if (sc >= SDL_SCANCODE_1 && sc <= SDL_SCANCODE_9) return '1' + (sc - SDL_SCANCODE_1);
    if (sc >= SDL_SCANCODE_F1 && sc <= SDL_SCANCODE_F12) return VK_F1 + (sc - SDL_SCANCODE_F1);
    if (sc >= SDL_SCANCODE_KP_1 && sc <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (sc - SDL_SCANCODE_KP_1);
    switch (sc) {
        case SDL_SCANCODE_0: return '0';
        case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
        case SDL_SCANCODE_RETURN: case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
        case SDL_SCANCODE_ESCAPE: return VK_ESCAPE;
        case SDL_SCANCODE_SPACE: return VK_SPACE;
        case SDL_SCANCODE_TAB: return VK_TAB;
        case SDL_SCANCODE_BACKSPACE: return VK_BACK;
        case SDL_SCANCODE_UP: return VK_UP;
        case SDL_SCANCODE_DOWN: return VK_DOWN;
        case SDL_SCANCODE_LEFT: return VK_LEFT;
        case SDL_SCANCODE_RIGHT: return VK_RIGHT;
        case SDL_SCANCODE_LSHIFT: case SDL_SCANCODE_RSHIFT: return VK_SHIFT;
        case SDL_SCANCODE_LCTRL: case SDL_SCANCODE_RCTRL: return VK_CONTROL;
        case SDL_SCANCODE_LALT: case SDL_SCANCODE_RALT: return VK_MENU;
        case SDL_SCANCODE_INSERT: return VK_INSERT;
        case SDL_SCANCODE_DELETE: return VK_DELETE;
        case SDL_SCANCODE_HOME: return VK_HOME;
        case SDL_SCANCODE_END: return VK_END;
        case SDL_SCANCODE_PAGEUP: return VK_PRIOR;
        case SDL_SCANCODE_PAGEDOWN: return VK_NEXT;
        default: return 0;
    }
}

bool key_down(int vk) {
    if (vk <= 0 || vk > 255) return false;
    return g_x11 ? x_key_down(vk) : sdl_key_down(vk);
}

}  // namespace plat::backend::x11
