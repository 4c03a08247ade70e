// Virtual time: the clock stands still while the program works and moves on
// only when it sleeps (at once, by the whole sleep), waits for input, or
// polls (by a microsecond a poll). A run is the same every time, and takes
// as long as its work, not as long as its sleeps.
#include "backend/headless/headless.h"

namespace plat::backend::headless {

namespace {

// timeGetTime at the start of the run: a machine up for a day or so, far
// from 0 (a program's "more than a second since the last report" holds at
// once, as it does on a real machine) and from the wrap at 2^32.
constexpr uint32_t kStartMs = 100000000;

uint64_t g_us = 0;

}  // namespace

uint64_t elapsed_us() { return g_us; }

void advance_us(uint64_t us) {
    g_us += us;
    play_until(g_us);
}

uint32_t now_ms() {
    advance_us(kPollUs);
    return kStartMs + uint32_t(g_us / 1000);
}

void sleep_ms(uint32_t ms) { advance_us(ms ? uint64_t(ms) * 1000 : kPollUs); }

}  // namespace plat::backend::headless
