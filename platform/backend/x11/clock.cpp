// The clock and sleeping, on one clock of the system's, CLOCK_MONOTONIC: its
// milliseconds for timeGetTime, and sleeps to an absolute deadline on it, so
// that a program that sleeps to a time it read wakes at that time.
#include "backend/x11/x11.h"

#include <cerrno>
#include <ctime>
#include <sched.h>

namespace plat::backend::x11 {

uint32_t now_ms() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

void sleep_ms(uint32_t ms) {
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

}  // namespace plat::backend::x11
