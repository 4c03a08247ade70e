// The clock and sleeping: timeGetTime from performance.now(), Sleep through
// emscripten_sleep, which lets the page run meanwhile.
//
// The browser's timers wake late, by 0.2 to 8 ms here, so a frame loop that
// sleeps out each frame would run slow (49 to 55 frames a second for 60). A
// sleep that follows closely on the last one therefore ends that much earlier
// than asked, as if the last had ended on time: a loop of sleeps keeps its
// period on average, as sleeping to a deadline does on a desktop.
#include "backend/web/web.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>

namespace plat::backend::web {

namespace {

// performance.now() counts from the page's start; timeGetTime counts from
// the system's, which has run a while before any program starts. Programs
// may rely on the first reading lying well above 1000 (the frame-pacing
// module's first rate report does).
constexpr double kSystemUpMs = 600000;

// A sleep this soon after the last one woke is part of the same loop.
constexpr double kSameLoopMs = 100;

double g_deadline = 0;   // when the last sleep should have ended
double g_woke = -1e9;    // when it did
double g_last_turn = 0;  // when the program last let the page run
bool g_slept = false;

// A turn of the page through a message to itself, which comes back at once
// (a timer of 0 ms waits 4 ms once timers nest). Under the browser's virtual
// time (a headless screenshot's --virtual-time-budget) the clock moves only
// to the next timer that is due, never while messages keep the page busy: a
// clock that has read the same over three turns in a row, which in real time
// takes turns shorter than its resolution (0.1 ms), is taken for it, and the
// turn waits 1 ms on a timer instead, so that time passes and the
// screenshot is taken.
EM_ASYNC_JS(void, page_turn, (), {
    if (!Module.qxTurn) {
        var channel = new MessageChannel();
        var waiting = [];
        var last = -1;
        var still = 0;
        channel.port1.onmessage = function() { waiting.shift()(); };
        Module.qxTurn = function(resume) {
            var now = performance.now();
            still = now === last ? still + 1 : 0;
            last = now;
            if (still >= 2) {
                still = 0;
                setTimeout(resume, 1);
                return;
            }
            waiting.push(resume);
            channel.port2.postMessage(0);
        };
    }
    await new Promise(function(resume) { Module.qxTurn(resume); });
});

}  // namespace

uint32_t now_ms() { return uint32_t(uint64_t(kSystemUpMs + emscripten_get_now())); }

void sleep_ms(uint32_t ms) {
    g_slept = true;
    if (ms == 0) return yield_to_page();
    const double now = emscripten_get_now();
    double deadline = now + ms;
    // Late or early (a sleep rounds to whole milliseconds), the difference is
    // made up on this one.
    if (now - g_woke < kSameLoopMs) deadline -= std::clamp(g_woke - g_deadline, -double(ms), double(ms));
    const long wait = std::lround(deadline - now);
    if (wait > 0) emscripten_sleep(unsigned(wait));
    else page_turn();  // a timer of 0 ms waits 4 ms once timers nest
    g_deadline = deadline;
    g_woke = g_last_turn = emscripten_get_now();
}

void yield_to_page() {
    page_turn();
    note_yield();
}

void note_yield() { g_last_turn = emscripten_get_now(); }

double since_last_yield() { return emscripten_get_now() - g_last_turn; }

bool program_has_slept() { return g_slept; }

}  // namespace plat::backend::web
