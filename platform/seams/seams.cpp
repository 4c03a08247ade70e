// The test seams of layer_seams.h that stand in for the desktop: held keys,
// the clock, sleeping and message boxes' answers, kept in one state that
// timeGetTime, Sleep, GetAsyncKeyState and MessageBoxA read (state.h). The
// seams that look inside the layer are beside what they look at: the count
// of live objects beside the handle table (gdi/handles.cpp), presenting now
// beside the windows (user/window.cpp).
#include "seams/state.h"

namespace plat::seam {

namespace {
State g_state;
}  // namespace

const State& state() { return g_state; }

void press_key(int vk, bool down) {
    if (vk > 0 && vk < 256) g_state.keys[vk] = down;
}

void release_all_keys() {
    for (bool& k : g_state.keys) k = false;
}

void set_clock(DWORD ms) {
    g_state.clock_set = true;
    g_state.clock = ms;
}

void release_clock() { g_state.clock_set = false; }

void on_sleep(void (*hook)(DWORD ms)) { g_state.sleep_hook = hook; }

void answer_message_boxes(BoxAnswer answer) { g_state.box_answer = answer; }

// This layer is not Wine.
bool running_on_wine() { return false; }

}  // namespace plat::seam
