// Events: the key script played as the clock passes each event's time, and
// what it does reported to the layer at the next pump, as a desktop's events
// would be: keys and the close button to the window in front, clicks at a
// place in its client area. A program that waits for input when the script
// has nothing left to give (a message box nobody will answer) would wait for
// ever: the run ends there instead, with status 3 and a line saying why.
#include "backend/headless/headless.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <unistd.h>

namespace plat::backend::headless {

namespace {

// Status of a run ended because the program waits for input that cannot
// come: neither the runtime's orderly end (1) nor a malformed script (2).
constexpr int kStuckStatus = 3;

struct Report {
    enum class Kind { key, close, mouse } kind;
    HWindow* to;
    int what;  // the virtual key, or the mouse message
    bool down;
    int x, y;
};

bool g_scripted = false;  // QX_SCRIPT named a script, if an empty one
std::vector<ScriptEvent> g_events;
size_t g_next = 0;
std::deque<Report> g_reports;

void act(const ScriptEvent& e) {
    HWindow* to = front();
    switch (e.action) {
        case ScriptEvent::Action::down:
        case ScriptEvent::Action::up: {
            const bool down = e.action == ScriptEvent::Action::down;
            set_key(e.vk, down);
            if (to) g_reports.push_back({Report::Kind::key, to, e.vk, down, 0, 0});
            break;
        }
        case ScriptEvent::Action::close:
            if (to) g_reports.push_back({Report::Kind::close, to, 0, false, 0, 0});
            break;
        case ScriptEvent::Action::click:
            if (!to) break;
            g_reports.push_back({Report::Kind::mouse, to, WM_LBUTTONDOWN, true, e.x, e.y});
            g_reports.push_back({Report::Kind::mouse, to, WM_LBUTTONUP, false, e.x, e.y});
            break;
        case ScriptEvent::Action::shot: shot(e.file); break;
    }
}

[[noreturn]] void end_stuck() {
    HWindow* w = front();
    const std::string where = w ? " in \"" + w->title + "\"" : "";
    std::fprintf(stderr,
                 "qx: the program waits for input%s at %llu ms of virtual time, and %s; ending the run with status %d\n",
                 where.c_str(), static_cast<unsigned long long>(elapsed_us() / 1000),
                 g_scripted ? "the key script has no events left" : "there is no key script (QX_SCRIPT) to give any",
                 kStuckStatus);
    end_of_process();
    _exit(kStuckStatus);
}

}  // namespace

void play(std::vector<ScriptEvent> events) {
    g_scripted = true;
    g_events = std::move(events);
    g_next = 0;
}

void play_until(uint64_t us) {
    // A shot reads surfaces and nothing else; nothing it does moves the clock.
    while (g_next < g_events.size() && uint64_t(g_events[g_next].ms) * 1000 <= us) act(g_events[g_next++]);
}

void pump(EventSink& sink) {
    advance_us(kPollUs);
    while (!g_reports.empty()) {
        const Report r = g_reports.front();
        g_reports.pop_front();
        switch (r.kind) {
            case Report::Kind::key: sink.key(r.to->owner, r.what, r.down, false); break;
            case Report::Kind::close: sink.close_requested(r.to->owner); break;
            case Report::Kind::mouse: sink.mouse(r.to->owner, unsigned(r.what), r.x, r.y); break;
        }
    }
}

void wait_events(int timeout_ms) {
    if (!g_reports.empty()) return;
    if (g_next == g_events.size()) end_stuck();
    const uint64_t now = elapsed_us(), due = uint64_t(g_events[g_next].ms) * 1000;
    const uint64_t timeout = uint64_t(std::max(timeout_ms, 0)) * 1000;
    advance_us(std::max(std::min(timeout, due > now ? due - now : 0), kPollUs));
}

void forget(HWindow* w) {
    g_reports.erase(std::remove_if(g_reports.begin(), g_reports.end(), [w](const Report& r) { return r.to == w; }),
                    g_reports.end());
}

void report_unplayed() {
    if (g_next == g_events.size()) return;
    const ScriptEvent& e = g_events[g_next];
    std::fprintf(stderr, "qx: the run ended at %llu ms of virtual time, before line %d of the key script (at %u ms): "
                         "%zu event%s not played\n",
                 static_cast<unsigned long long>(elapsed_us() / 1000), e.line, unsigned(e.ms),
                 g_events.size() - g_next, g_events.size() - g_next == 1 ? "" : "s");
}

}  // namespace plat::backend::headless
