// timeGetTime and Sleep. The clock counts milliseconds since boot and wraps
// at 2^32, as the multimedia timer does; Sleep(0) gives up the time slice.
#include <layer_seams.h>
#include <windows.h>

#include <cerrno>
#include <ctime>
#include <sched.h>

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
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return DWORD(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

extern "C" void WINAPI Sleep(DWORD ms) {
    if (plat::g_sleep_hook) return plat::g_sleep_hook(ms);
    if (ms == 0) {
        sched_yield();
        return;
    }
    // An absolute deadline, so signals that interrupt the sleep don't stretch it.
    timespec until{};
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += time_t(ms / 1000);
    until.tv_nsec += long(ms % 1000) * 1000000L;
    if (until.tv_nsec >= 1000000000L) {
        until.tv_sec += 1;
        until.tv_nsec -= 1000000000L;
    }
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, nullptr) == EINTR) {
    }
}
