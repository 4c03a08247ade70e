// timeGetTime and Sleep: the backend's clock and its way of sleeping (a
// desktop's real time, or a backend's own), behind the test seams that stand
// in for them. The clock counts milliseconds and wraps at 2^32, as the
// multimedia timer does; Sleep(0) gives up the time slice.
#include "backend/backend.h"

#include <layer_seams.h>
#include <windows.h>

namespace plat {
namespace {
bool g_clock_set = false;
DWORD g_clock = 0;
void (*g_sleep_hook)(DWORD) = nullptr;
}  // namespace
}  // namespace plat

void plat::seam::set_clock(DWORD ms) {
    g_clock_set = true;
    g_clock = ms;
}
void plat::seam::release_clock() { g_clock_set = false; }
void plat::seam::on_sleep(void (*hook)(DWORD)) { g_sleep_hook = hook; }

extern "C" DWORD WINAPI timeGetTime(void) {
    if (plat::g_clock_set) return plat::g_clock;
    return plat::backend::current().now_ms();
}

extern "C" void WINAPI Sleep(DWORD ms) {
    if (plat::g_sleep_hook) return plat::g_sleep_hook(ms);
    plat::backend::current().sleep_ms(ms);
}
