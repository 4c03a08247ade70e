// Virtual time: the clock stands still while the program works and moves on
// only when it sleeps (at once, by the whole sleep), waits for input, or
// polls (by a microsecond a poll). A run is the same every time, and takes
// as long as its work, not as long as its sleeps. A run given a time limit
// (QX_TIME_LIMIT) ends when the clock reaches it, whatever the program does.
#include "backend/headless/headless.h"

#include <cstdio>

namespace plat::backend::headless {

namespace {

// timeGetTime at the start of the run: a machine up for a day or so, far
// from 0 (a program's "more than a second since the last report" holds at
// once, as it does on a real machine) and from the wrap at 2^32.
constexpr uint32_t kStartMs = 100000000;

uint64_t g_us = 0;
uint64_t g_limit_ms = 0;  // 0: none

}  // namespace

uint64_t elapsed_us() { return g_us; }

void set_time_limit(uint32_t ms) { g_limit_ms = ms; }

void advance_us(uint64_t us) {
    if (g_limit_ms && g_us + us >= g_limit_ms * 1000) {
        // The events due by the limit are played, a shot there included.
        g_us = g_limit_ms * 1000;
        render_audio_to_now();
        play_until(g_us);
        std::fprintf(stderr, "qx: the run reached its time limit, QX_TIME_LIMIT=%llu ms of virtual time; "
                             "ending it with status %d\n",
                     static_cast<unsigned long long>(g_limit_ms), kTimeLimitStatus);
        end_run(kTimeLimitStatus);
    }
    g_us += us;
    render_audio_to_now();
    play_until(g_us);
}

uint32_t now_ms() {
    active();
    advance_us(kPollUs);
    return kStartMs + uint32_t(g_us / 1000);
}

void sleep_ms(uint32_t ms) {
    active();
    advance_us(ms ? uint64_t(ms) * 1000 : kPollUs);
}

}  // namespace plat::backend::headless
