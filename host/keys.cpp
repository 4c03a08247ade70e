// DOS-style keyboard polling and the delay. A poll walks the key table in
// order and a later row overwrites what an earlier one found, so Enter beats
// the arrows, the arrows beat space, space beats digits, digits beat letters.
#include "runtime.h"

namespace {

bool held(int vk) { return (GetAsyncKeyState(vk) & 0x8000) != 0; }

// The code of the winning held key, or -1 when none is held.
int poll_keys() {
    int code = -1;
    for (int vk = 'A'; vk <= 'Z'; ++vk)
        if (held(vk)) {
            code = vk - 'A' + 'a';  // lower case whatever Shift and Caps Lock say
            break;
        }
    for (int vk = '0'; vk <= '9'; ++vk)
        if (held(vk)) {
            code = vk;
            break;
        }
    if (held(VK_SPACE)) code = 32;
    if (held(VK_UP)) code = 72;
    if (held(VK_DOWN)) code = 80;
    if (held(VK_LEFT)) code = 75;
    if (held(VK_RIGHT)) code = 77;
    if (held(VK_RETURN)) code = 13;
    return code;
}

}  // namespace

int getch(void) {
    // Spins with no pause and no message pumping, as the DOS call did.
    for (;;) {
        int code = poll_keys();
        if (code >= 0) return code;
    }
}

int kbhit(void) { return poll_keys() >= 0 ? 1 : 0; }

void wait(int wcnt) { Sleep(wcnt > 0 ? static_cast<DWORD>(wcnt / 100000) : 0); }
