// The test seams' state as the layer's Win32 entry points read it: what a
// test holds, sets or answers in place of the desktop (layer_seams.h), kept
// by seams.cpp and changed only through the seams.
#pragma once

#include <layer_seams.h>

namespace plat::seam {

struct State {
    bool keys[256] = {};             // injected keys held down, by virtual-key code
    bool clock_set = false;          // timeGetTime returns clock
    DWORD clock = 0;
    void (*sleep_hook)(DWORD) = nullptr;  // Sleep reports here instead of sleeping
    BoxAnswer box_answer = nullptr;  // MessageBoxA returns its answer instead of showing a box
};

const State& state();

}  // namespace plat::seam
