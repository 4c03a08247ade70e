// What the program's start-up (entry/main.cpp) asks of the seam before
// WinMain: the backend chosen, so that a run that cannot start (no display,
// a malformed key script) ends before the program has done anything.
#pragma once

namespace plat::backend {

// Chooses the backend, if not yet chosen (backend/choose.cpp).
void start();

}  // namespace plat::backend
