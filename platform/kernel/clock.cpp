// timeGetTime and Sleep: the backend's clock and its way of sleeping (a
// desktop's real time, or a backend's own), unless a test stands in for
// them (seams/). The clock counts milliseconds and wraps at 2^32, as the
// multimedia timer does; Sleep(0) gives up the time slice.
#include "backend/backend.h"
#include "seams/state.h"

#include <windows.h>

extern "C" DWORD WINAPI timeGetTime(void) {
    const plat::seam::State& test = plat::seam::state();
    if (test.clock_set) return test.clock;
    return plat::backend::current().now_ms();
}

extern "C" void WINAPI Sleep(DWORD ms) {
    if (auto hook = plat::seam::state().sleep_hook) return hook(ms);
    plat::backend::current().sleep_ms(ms);
}
