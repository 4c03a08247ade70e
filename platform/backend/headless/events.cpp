// Events: the key script played as the clock passes each event's time, and
// what it does reported to the layer at the next pump, as a desktop's events
// would be: keys and the close button to the window in front, clicks at a
// place in its client area. A program that waits for input when the script
// has nothing left to give would wait for ever: a message box nobody will
// answer, or a getch spinning on the keys. The run ends there instead, with
// status 3 and a line saying why. A getch wait is told from a game's loop by
// what the program does: after the script's last event, a second of virtual
// time in which it did nothing the backend sees but poll the keys (no
// drawing on a window, no sleep, no look at the clock, no message pumping).
#include "backend/headless/headless.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <unistd.h>

namespace plat::backend::headless {

namespace {

// How long a program may do nothing but poll the keys, once the script has
// no event left, before it counts as waiting for a key.
constexpr uint64_t kPollOnlyUs = 1000000;

struct Report {
    enum class Kind { key, close, mouse } kind;
    HWindow* to;
    int what;  // the virtual key, or the mouse message
    bool down;
    int x, y;
};

bool g_scripted = false;  // QX_SCRIPT named a script, if an empty one
Script g_script;
size_t g_next = 0;
std::deque<Report> g_reports;
uint64_t g_active_us = 0;  // when the program last did more than poll the keys

// Whether the program drew on any of its windows since the last call.
bool drawn_on_windows() {
    bool drawn = false;
    for (HWindow* w : windows())
        if (w->handoff && w->handoff->take()) drawn = true;
    return drawn;
}

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
        case ScriptEvent::Action::shot: shot(g_script.files[e.file]); break;
    }
}

// how: "waits for input in "<title>"", or "waits for a key".
[[noreturn]] void end_stuck(const std::string& how) {
    std::fprintf(stderr, "qx: the program %s at %llu ms of virtual time, and %s; ending the run with status %d\n",
                 how.c_str(), static_cast<unsigned long long>(elapsed_us() / 1000),
                 g_scripted ? "the key script has no events left" : "there is no key script (QX_SCRIPT) to give any",
                 kStuckStatus);
    end_run(kStuckStatus);
}

}  // namespace

void active() { g_active_us = elapsed_us(); }

[[noreturn]] void end_run(int status) {
    end_of_process();
    _exit(status);
}

void play(Script script) {
    g_scripted = true;
    g_script = std::move(script);
    g_next = 0;
}

void play_until(uint64_t us) {
    // A shot reads surfaces and nothing else; nothing it does moves the clock.
    const std::vector<ScriptEvent>& events = g_script.events;
    const size_t first = g_next;
    while (g_next < events.size() && uint64_t(events[g_next].ms) * 1000 <= us) act(events[g_next++]);
    // The second of key polls that ends a run starts at the last event.
    if (g_next != first && g_next == events.size()) {
        g_active_us = us;
        drawn_on_windows();
    }
}

void polled_keys() {
    if (g_next < g_script.events.size() || elapsed_us() - g_active_us < kPollOnlyUs) return;
    if (drawn_on_windows()) return active();
    end_stuck("waits for a key");
}

void pump(EventSink& sink) {
    active();
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
    active();
    if (!g_reports.empty()) return;
    if (g_next == g_script.events.size()) {
        HWindow* w = front();
        end_stuck(w ? "waits for input in \"" + w->title + "\"" : "waits for input");
    }
    const uint64_t now = elapsed_us(), due = uint64_t(g_script.events[g_next].ms) * 1000;
    const uint64_t timeout = uint64_t(std::max(timeout_ms, 0)) * 1000;
    advance_us(std::max(std::min(timeout, due > now ? due - now : 0), kPollUs));
}

void forget(HWindow* w) {
    g_reports.erase(std::remove_if(g_reports.begin(), g_reports.end(), [w](const Report& r) { return r.to == w; }),
                    g_reports.end());
}

void report_unplayed() {
    const std::vector<ScriptEvent>& events = g_script.events;
    if (g_next == events.size()) return;
    const ScriptEvent& e = events[g_next];
    std::fprintf(stderr, "qx: the run ended at %llu ms of virtual time, before line %d of the key script (at %u ms): "
                         "%zu event%s not played\n",
                 static_cast<unsigned long long>(elapsed_us() / 1000), e.line, unsigned(e.ms),
                 events.size() - g_next, events.size() - g_next == 1 ? "" : "s");
}

}  // namespace plat::backend::headless
